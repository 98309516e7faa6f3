#pragma once

#include <functional>

#include <QString>

class QUrl;

// How the header's links reach the user's web browser: called with the
// link's address as text, which may be empty. Tests put their own in place
// so that no browser is started.
using LinkOpener = std::function<void(const QString& target)>;

// Opens target with the desktop's default program (QDesktopServices); an
// empty or unusable target opens nothing.
void OpenWithDesktop(const QString& target);

// Hands target to `start` (which says whether a browser took it); when none
// did, a message names the address so the user can open it by hand. An
// empty or unusable target opens nothing and says nothing.
void OpenLink(const QString& target, const std::function<bool(const QUrl&)>& start);

// The message shown when no browser could be started for `target`.
QString NoBrowserMessage(const QString& target);
