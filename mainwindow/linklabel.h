#pragma once

#include <QString>

class QLabel;
class QWidget;

// A label showing text as a link to url; choosing it (mouse or keyboard)
// opens url with the desktop's default program. The label is parent's.
QLabel* makeLinkLabel(QWidget* parent, const QString& url, const QString& text);
