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

// "*.mp3" → "*.mp3 *.mP3 *.Mp3 *.MP3".
QStringList letterCases(const QString& pattern) {
    QStringList variants{QString()};
    for (QChar ch : pattern) {
        const QChar lower = ch.toLower(), upper = ch.toUpper();
        QStringList next;
        for (const QString& v : variants) {
            next << v + lower;
            if (upper != lower)
                next << v + upper;
        }
        variants = next;
    }
    return variants;
}

} // namespace

QString qtNameFilters(const std::string& filter) {
    const QStringList parts = toQString(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << letterCases(p.trimmed());
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

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

void QtUi::showOpenDialog(CommonDialog& dialog) {
    const QString path = openFile(qtNameFilters(dialog.Filter));
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
