#pragma once

#include <QString>

class QWidget;

// Shows `message` in a modal error box and writes it to standard error. On
// the offscreen and minimal platforms, where no one can answer a box, only
// the standard-error line is written.
void ReportError(QWidget* parent, const QString& message);
