#pragma once

class QApplication;
class QString;

// The built-in look: the Fusion style with the program's palette and style
// sheet, applied to the whole application so every window and dialog shares it.
void applyBuiltInSkin(QApplication& app);

// Replaces the style sheet of every window with the one in a skin file: a
// style sheet compressed with qCompress. False when the file holds none.
[[nodiscard]] bool applySkinFile(const QString& fileName);

// The program's icon, drawn at each size when that size is first asked for.
class QIcon;
QIcon applicationIcon();
