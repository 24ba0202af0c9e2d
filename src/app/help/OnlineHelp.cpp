#include "app/help/OnlineHelp.h"

#include <filesystem>
#include <string>

#include "app/commands/CommandTable.h"
#include "app/options/ProgramOptions.h"
#include "app/start/ExitProgram.h"
#include "app/start/ShellServices.h"
#include "app/window/Disclaimer.h"
#include "app/window/TXLAWindow.h"
#include "platform/Platform.h"
#include "resources/AppStrings.h"
#include "state/ProgramPaths.h"
#include "ui/Sounds.h"

namespace {

platform::BoxAnswer ShowBox(TXLAWindow& window, const std::string& text, const char* caption,
                            platform::BoxIcon icon, platform::BoxButtons buttons) {
  DialogBusyScope busy(window);
  platform::BoxRequest box;
  box.owner = window.Handle();
  box.text = text;
  box.caption = caption;
  box.icon = icon;
  box.buttons = buttons;
  return platform::Current().ShowMessageBox(box);
}

constexpr const char* kShortcutPieces[] = {
    "current keyboard shortcuts (with control key unless otherwise mentioned):\n\n",
    "\nL - Data->Load New Files",
    "\nA - Data->Add More Files",
    "\nS - Data->Save Fit Data",
    "\nU - Data->Update Saved Fit Parameters",
    "\n\nC - Copy->Copy Screenshot",
    "\n\nD - Display->Data Range",
    "\nN - Display->Subtract All Systematic Noise From Raw Data",
    "\nO - Display->Show Last Fit Info Again",
    "\nM - Display->Show Peak Mw in c(s)",
    "\n\nP - Parameters",
    "\n\nR - Run",
    "\n\nF - Fit",
    "\n\nalt-I - Options->Inhomogeneous Solvent",
    "\nE - Options->Loading Options->Sort Eq Data to Disk",
    "\nG - Plot->PELKO",
    "\nalt-G - Options->Fitting Options->Lamm Equation Parameters",
    "\nI - Options->Size-Distribution Options->Integrate Distribution",
    "\nW - Options->Size-Distribution Options->Use Prior Probabilities",
    "\nX - Options->Size-Distribution Options->Prior Knowledge of Discrete Species",
    "\n\n(M - toggle mouse sliding)"};

}  // namespace

std::string HelpPagesPath() {
  return ProgramPaths.InstallationFolder + HelpPagesFile;
}

void OnlineHelpPrompt(TXLAWindow& window) {
  window.MenuHelpMode = false;
  // The help pages travel with the program, so help works without a
  // network; the desktop's opener shows them in the user's viewer.
  const std::string page = HelpPagesPath();
  if (!std::filesystem::is_regular_file(page)) {
    ShowBox(window, "the help pages are not installed beside the program:\n" + page, "HELP",
            platform::BoxIcon::Warning, platform::BoxButtons::Ok);
    return;
  }
  const std::string prompt =
      "Help for this command and all others is found in the program's help pages at\n" + page +
      "\nConnect?";
  if (ShowBox(window, prompt, "HELP", platform::BoxIcon::Question, platform::BoxButtons::YesNo) !=
      platform::BoxAnswer::Yes)
    return;
  if (!platform::Current().OpenWebAddress(page))
    ShowBox(window, "could not open the help pages " + page + "\n(no program to show them)", "HELP",
            platform::BoxIcon::Warning, platform::BoxButtons::Ok);
}

void CmKeyboardShortcuts(TXLAWindow& window) {
  std::string text;
  for (const char* piece : kShortcutPieces) text += piece;
  ShowBox(window, text, "KEYBOARD SHORTCUTS", platform::BoxIcon::Information,
          platform::BoxButtons::Ok);
}

void CmAbout(TXLAWindow& window) {
  PlayOkSound();
  if (ShowAboutBox(window)) return;
  ProgramOptions.DisclaimerAgreed = false;
  ShellServices.WritePreferences(window);
  ExitProgram(window);
}

void RegisterHelpCommands(CommandTable& table) {
  table.Add(268, &OnlineHelpPrompt, false, "OnlineHelpPrompt");
  table.Add(249, &OnlineHelpPrompt, false, "OnlineHelpPrompt");
  table.Add(869, &CmKeyboardShortcuts, false, "CmKeyboardShortcuts");
  table.Add(221, &CmAbout, false, "CmAbout");
}
