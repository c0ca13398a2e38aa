#include "FileDialog.h"

#include "DispatchIds.h"

#include <QFileDialog>
#include <QPointer>

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

Variant FileDialog::call(DispId id, const Args&)
{
    if (id != dispid::dialog::ShowOpen)
        return {};
    // A cancel yields "", never an earlier choice.
    fileName_.clear();
    QPointer<QFileDialog> dlg = new QFileDialog(owner_);
    dlg->setObjectName(QStringLiteral("CommonDialog1"));
    dlg->setAttribute(Qt::WA_DeleteOnClose, false);
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    dlg->setFileMode(QFileDialog::ExistingFile);
    dlg->setOption(QFileDialog::DontUseNativeDialog, true);
    dlg->setOption(QFileDialog::HideNameFilterDetails, true);
    dlg->setNameFilters(toNameFilters(filter_));
    if (!lastFolder_.isEmpty())
        dlg->setDirectory(lastFolder_);
    const int result = dlg->exec();
    if (dlg && result == QDialog::Accepted && !dlg->selectedFiles().isEmpty()) {
        fileName_ = dlg->selectedFiles().constFirst();
        lastFolder_ = dlg->directory().absolutePath();
    }
    delete dlg.data();
    return {};
}

}  // namespace corvane
