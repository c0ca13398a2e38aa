#include "FileDialog.h"

#include "DispatchIds.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QSettings>

namespace corvane {

QStringList toNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

FileDialog::FileDialog(QWidget* owner, QObject* parent) : QObject(parent), owner_(owner) {}

void FileDialog::put(DispId id, const Variant& value)
{
    using namespace dispid::dialog;
    if (id == Filter)
        filter_ = value.toText();
    else if (id == FileName)
        fileName_ = value.toText();
}

Variant FileDialog::get(DispId id)
{
    using namespace dispid::dialog;
    if (id == Filter)
        return filter_;
    if (id == FileName)
        return fileName_;
    return {};
}

FileDialog::~FileDialog() { delete dialog_.data(); }

Variant FileDialog::call(DispId id, const Args&)
{
    if (id != dispid::dialog::ShowOpen)
        return {};
    // A cancel yields "", never an earlier choice.
    fileName_.clear();
    if (!dialog_) {
        make();
        // Making it costs Qt 25-45 ms here (its views, its icons, the file
        // types): the window answers the desktop and repaints once before
        // the dialog is shown, so the two costs do not add up into one
        // stall. The person's input waits for the dialog, as it would have.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!dialog_)
            return {};
    }
    dialog_->setNameFilters(toNameFilters(filter_));
    if (!lastFolder_.isEmpty())
        dialog_->setDirectory(lastFolder_);
    forgetChoice(dialog_);
    const int result = dialog_->exec();
    if (!dialog_)
        return {};
    if (result == QDialog::Accepted && !dialog_->selectedFiles().isEmpty()) {
        fileName_ = dialog_->selectedFiles().constFirst();
        lastFolder_ = dialog_->directory().absolutePath();
    }
    // Its name box's completion list may still be up, a popup window of its
    // own that closing the dialog leaves open; while it is, no other window
    // becomes active.
    if (auto* name = dialog_->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        if (name->completer() && name->completer()->popup())
            name->completer()->popup()->hide();
    return {};
}

// One dialog serves every showing, hidden in between. Deleting it would
// close its folder watcher, and that close waits on the kernel, for up to tens
// of milliseconds, in the very turn that opens the chosen file.
void FileDialog::make()
{
    // Qt's dialog keeps its folders, history and column widths in the
    // person's QtProject.conf, read at its making and written at its end;
    // the player keeps no settings. The folder for such files is one where
    // none can be read or made (only this dialog uses them).
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    dialog_ = new QFileDialog(owner_);
    dialog_->setObjectName(QStringLiteral("CommonDialog1"));
    dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_->setFileMode(QFileDialog::ExistingFile);
    dialog_->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog_->setOption(QFileDialog::HideNameFilterDetails, true);
}

// Nothing of the last showing is offered again: neither the name typed nor
// the file picked in its list.
void FileDialog::forgetChoice(QFileDialog* dialog)
{
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->clear();
    for (auto* view : dialog->findChildren<QAbstractItemView*>())
        view->clearSelection();
}

}  // namespace corvane
