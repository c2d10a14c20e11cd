#pragma once
// The program's own manual: HTML pages installed beside the program, shown in one help window.
class QTextBrowser;

enum class HelpPage {
    Contents,  // the contents page
    Topics,    // the topic index (what "search" offers)
    HowToUse,  // how to use the help window
};

/// Shows the page in the help window (a top-level window, no MDI child: it never counts
/// against the one-window rule), creating the window on first use.
void showHelp(HelpPage page);
/// The help window, or nullptr when it was never opened.
QTextBrowser* helpWindow();
/// Closes and frees the help window.
void closeHelp();
