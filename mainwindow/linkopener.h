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
