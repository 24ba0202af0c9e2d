#pragma once
// Captions and texts of the application shell that more than one place
// shows: the window title, the About box with the disclaimer, the on-line
// help address.

inline constexpr const char* ProgramName = "Taluvo";
inline constexpr const char* ProgramVersion = "0.1";
// The name the application registers under.
inline constexpr const char* ApplicationName = "DAVErovaved";
inline constexpr const char* MainWindowTitle = "Sedimentation Analysis";

// The About box (resource 302): the program's name and version and the
// warranty disclaimer, with the buttons "agree" and "don't agree".
inline constexpr const char* AboutCaption = "About";
inline constexpr const char* DisclaimerText =
    "THIS SOFTWARE IS PROVIDED AS IS, AND WITH ALL FAULTS. NO WARRANTY OF ANY KIND, EXPRESS OR "
    "IMPLIED, IS GIVEN THAT THE RESULTS IT COMPUTES ARE CORRECT OR FIT FOR ANY PURPOSE. THE "
    "USER ALONE IS RESPONSIBLE FOR CHECKING ITS RESULTS AND FOR THE CONCLUSIONS DRAWN FROM "
    "THEM; THE AUTHORS ARE NOT LIABLE FOR ANY DAMAGE ARISING FROM ITS USE.";
// The platform's box has Yes and No buttons: they stand for the dialog's own.
inline constexpr const char* DisclaimerQuestion =
    "\n\nDo you agree? (Yes = agree, No = don't agree)";

// The program's help pages, shipped in its installation folder: the README
// with the documents it links to (docs/) beside it.
inline constexpr const char* HelpPagesFile = "help/README.md";

// Appended by the help wizard to each of its messages.
inline constexpr const char* WizardFootnoteText =
    "\n\n\n(to switch off wizard messages, use menu Help->Info and Wizard Messages)";
