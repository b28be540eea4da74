#pragma once
// What the program sets up in the toolkit before its first window: Japanese translations of the
// toolkit's own texts, the font mapping and the user-interface font.

class QApplication;

void SetUpToolkit(QApplication& app);
