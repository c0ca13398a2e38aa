#pragma once
// Answers the next modal file dialog as soon as the event loop runs: picks
// `file`, or cancels when it is empty. What the dialog offered is kept.
#include <QApplication>
#include <QFileDialog>
#include <QTimer>

namespace corvane::test {

struct DialogAnswer {
    bool seen = false;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;

    void arm(const QString& file = {})
    {
        seen = false;
        QTimer::singleShot(0, [this, file] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg)
                return;
            seen = true;
            filters = dlg->nameFilters();
            mode = dlg->fileMode();
            if (file.isEmpty()) {
                dlg->reject();
            } else {
                dlg->selectFile(file);
                QMetaObject::invokeMethod(dlg, "accept");
            }
        });
    }
};

}  // namespace corvane::test
