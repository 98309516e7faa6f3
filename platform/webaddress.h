#pragma once

#include <QString>

// Whether `address` is an absolute http or https address with a host.
bool IsWebAddress(const QString& address);

// Opens `address` with the desktop's default program when it is a web
// address (IsWebAddress); anything else is not opened. Returns whether it
// was handed to the desktop.
bool OpenWebAddress(const QString& address);
