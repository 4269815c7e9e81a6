#pragma once
// Answers the installer's questions without a user, for tests that run the
// installer as a program. When the environment variable
// KALMIRO_TEST_RESPONDER names a file of name=value lines, every message box,
// folder question and modal window goes to it instead of the screen:
//
//   BveFolder=<folder>   the folder the BVE folder window answers with (its
//                        OK is clicked); without it the window is cancelled
//   Click=<button>       after the main window is shown, this button of it
//                        is clicked (e.g. Button1, "Install now")
//   Log=<file>           one line per question is appended to this file:
//                        "<kind>|<caption>|<text>", with line breaks inside
//                        the text turned into blanks
//
// Message boxes are answered as if closed without a choice (the OK of a box
// that has only OK); nothing is handed to the desktop.

#include <string>

class QWidget;

// Installs the responder when the variable is set; returns whether it did.
bool InstallTestResponder();
bool TestResponderActive();

// Called by the main window once it is shown: clicks the button named by
// "Click", if any.
void TestResponderWindowShown(QWidget* window);

// Appends a line to the log, if one is set.
void TestResponderLog(const std::string& line);
