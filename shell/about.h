// The About dialog: modal, no caption bar; shows "Zorrit", "1997 / 10",
// "Fennomark" and an OK button. OK or Enter closes it; Escape does not.
// Closing the main window ends it too (a mend, see about.cpp).
// Opening deactivates the game and closing activates it again, as a window's
// modal dialog does.
#pragma once

struct PlatformWindow;

void RunAboutDialog(PlatformWindow* owner);
