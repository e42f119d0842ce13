#include "qt/qt_ui.h"

#include "qt/look.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include <malloc.h>

namespace zt4::qt {

namespace {

constexpr const char* kAppTitle = "ZT4";

} // namespace

QtUi::QtUi() {
    messageBox = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, mainWindow_);
        box.exec();
    };
    openFile = [this](const QString& nameFilters) {
        QFileDialog dialog(mainWindow_);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setNameFilter(nameFilters);
        // The case variants are for matching only; the list shows the design's description.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    quit = [] { QCoreApplication::exit(0); };
}

QtUi::~QtUi() {
    delete faq_.data();
    delete about_.data();
}

void QtUi::showMessage(const std::string& text) {
    messageBox(toQString(text));
}

void QtUi::useDesktopChooser(QDBusConnection bus) {
    chooser_ = std::make_unique<PortalFileChooser>(std::move(bus));
}

void QtUi::showOpenDialog(CommonDialog& dialog) {
    const std::vector<NameFilter> filters = ReadNameFilters(dialog.Filter);
    if (chooser_) {
        if (const std::optional<QByteArray> chosen = chooser_->openFile(mainWindow_, filters)) {
            dialog.FileName = chosen->toStdString();
            return;
        }
    }
    const QString path = openFile(qtNameFilters(filters));
    // The dialog (its model, views and icons) was most of the heap, and malloc keeps what
    // it freed: give that back to the system rather than hold it for the next dialog.
    malloc_trim(0);
    // The library gets the path as the file system's own bytes.
    if (!path.isEmpty())
        dialog.FileName = QFile::encodeName(path).toStdString();
}

void QtUi::ShowFaq(const std::string& text) {
    if (!faq_)
        faq_ = new FaqWindow;
    faq_->showText(text);
}

void QtUi::ShowAbout() {
    if (!about_)
        about_ = new AboutWindow(aboutForm_);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void QtUi::EndProgram() {
    delete faq_.data();
    delete about_.data();
    if (mainWindow_)
        mainWindow_->hide();
    quit();
}

} // namespace zt4::qt
