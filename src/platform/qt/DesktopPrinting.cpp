// Printing and waited outside programs of the desktop backend.
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QVBoxLayout>

#include "platform/Window.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/PagePrinting.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

// What the printer set-up chose, kept for the next printout.
struct PrinterChoice {
  QString printerName;
  QPageLayout layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF());
  bool chosen = false;
};

PrinterChoice& Choice() {
  static PrinterChoice choice;
  return choice;
}

void ApplyChoice(QPrinter& printer) {
  const PrinterChoice& c = Choice();
  if (!c.chosen) return;
  if (!c.printerName.isEmpty()) printer.setPrinterName(c.printerName);
  printer.setPageLayout(c.layout);
}

}  // namespace

bool DesktopBackend::PrintPage(PrintRequest& request) {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    // No printer: the page goes to a PDF file.
    std::string path = request.pdfPath;
    if (path.empty()) {
      FileDialogRequest file;
      file.owner = request.owner;
      file.title = "no printer found: save the printout as a PDF file";
      file.filters = {{"PDF files (*.pdf)", {"*.pdf"}}};
      file.initialFolder = QDir::currentPath().toStdString();
      file.fileName = "printout.pdf";
      file.defaultExtension = "pdf";
      if (!ShowSaveFileDialog(file) || file.chosen.empty()) return false;
      path = file.chosen.front();
    }
    const bool written = WritePagePdf(request, path);
    if (!written)
      ShowMessageBox({request.owner, "could not write " + path, "Taluvo Printout",
                      BoxIcon::Error, BoxButtons::Ok});
    return written;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(ToQString(request.title));
  printer.setPageOrientation(QPageLayout::Landscape);
  ApplyChoice(printer);
  QPrintDialog dialog(&printer, OwnerWidget(request.owner));
  // One page is printed, whatever range the dialog would allow.
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setMinMax(1, 1);
  if (RunModal(dialog) != QDialog::Accepted) return false;
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The painter starts at the printable area's corner.
  PaintPage(request, painter, QRect(0, 0, printer.width(), printer.height()));
  return painter.end();
}

bool DesktopBackend::PrinterSetup(WindowHandle owner) {
  if (QPrinterInfo::availablePrinters().isEmpty()) {
    ShowMessageBox({owner, "There is no printer to set up: printouts are saved as PDF files.",
                    "Taluvo Printout", BoxIcon::Information, BoxButtons::Ok});
    return false;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  ApplyChoice(printer);
  QPageSetupDialog dialog(&printer, OwnerWidget(owner));
  if (RunModal(dialog) != QDialog::Accepted) return false;
  PrinterChoice& c = Choice();
  c.printerName = printer.printerName();
  c.layout = printer.pageLayout();
  c.chosen = true;
  return true;
}

ProgramResult DesktopBackend::RunProgramAndWait(const ProgramRun& run) {
  ProgramResult result;
  QProcess process;
  process.setWorkingDirectory(ToQString(run.folder));
  QStringList args;
  for (const std::string& a : run.arguments) args << ToQString(a);
  process.setProcessChannelMode(QProcess::ForwardedChannels);
  process.start(ToQString(run.program), args);
  if (!process.waitForStarted(10000)) return result;
  QDialog dialog(OwnerWidget(run.owner));
  dialog.setWindowTitle(ToQString(run.title));
  auto* layout = new QVBoxLayout(&dialog);  // owned by the dialog
  layout->addWidget(new QLabel(ToQString(run.title + " is running in " + run.folder +
                                         "\nCancel stops it."),
                               &dialog));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(&process, &QProcess::finished, &dialog, &QDialog::accept);
  layout->addWidget(buttons);
  if (process.state() != QProcess::NotRunning && RunModal(dialog) != QDialog::Accepted &&
      process.state() != QProcess::NotRunning) {
    process.terminate();
    if (!process.waitForFinished(3000)) {
      process.kill();
      process.waitForFinished(3000);
    }
    result.end = ProgramEnd::Cancelled;
    return result;
  }
  process.waitForFinished(-1);
  result.end = ProgramEnd::Finished;
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  return result;
}

}  // namespace platform::qt
