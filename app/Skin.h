#pragma once

class QApplication;
class QString;

// The built-in look: the program's style over Fusion, its palette and font,
// applied to the whole application so every window and dialog shares it.
void applyBuiltInSkin(QApplication& app);

// Gives every window the style sheet in a skin file (a style sheet compressed
// with qCompress), over plain Fusion. False when the file holds none.
[[nodiscard]] bool applySkinFile(const QString& fileName);

// The program's icon, drawn at each size when that size is first asked for.
class QIcon;
QIcon applicationIcon();
