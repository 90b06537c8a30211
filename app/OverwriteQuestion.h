#pragma once

class QString;
class QWidget;

// Asks whether a backup may overwrite an existing file, as a save dialog asks before it
// replaces one: Yes and No, and No is the default, since the answer cannot be undone.
bool confirmOverwrite(QWidget* parent, const QString& question);
