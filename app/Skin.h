#pragma once

class QApplication;

// The built-in look: the Fusion style with the program's palette and style
// sheet, applied to the whole application so every window and dialog shares it.
void applyBuiltInSkin(QApplication& app);

// The program's icon, drawn once.
class QIcon;
QIcon applicationIcon();
