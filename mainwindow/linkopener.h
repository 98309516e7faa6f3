#pragma once

#include <functional>

#include <QString>

// How the header's links reach the user's web browser: called with the
// link's address as text, which may be empty. Tests put their own in place
// so that no browser is started.
using LinkOpener = std::function<void(const QString& target)>;

// Opens target with the desktop's default program (QDesktopServices); an
// empty or unusable target opens nothing.
void OpenWithDesktop(const QString& target);

// Whether target is an http or https address: the only addresses the
// program opens when they come from the network.
bool IsWebAddress(const QString& target);

// The usage event of a link click: type ("MENUCLICK" or "TOOLCLICK"), the
// opened address, the site value and "0", joined by commas as they are.
QString LinkUsageEvent(const QString& type, const QString& url, const QString& site);
