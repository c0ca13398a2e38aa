#pragma once
// Answers the next modal file dialog as soon as it is up: picks
// `file`, or cancels when it is empty. What the dialog offered is kept.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

namespace corvane::test {

struct DialogAnswer {
    bool seen = false;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString typed;            // the name box as the dialog came up
    QStringList preselected;  // its selection then
    bool completing = false;  // pick with the name box's completion list up
    bool completionsShown = false;

    void arm(const QString& file = {})
    {
        seen = false;
        answerSoon(file, 3);
    }

private:
    // The dialog's first showing lets the event loop turn once between its
    // making and its showing: the answer waits a few turns for it.
    void answerSoon(const QString& file, int turns)
    {
        QTimer::singleShot(0, [this, file, turns] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dlg) {
                if (turns > 1)
                    answerSoon(file, turns - 1);
                return;
            }
            seen = true;
            filters = dlg->nameFilters();
            mode = dlg->fileMode();
            auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            typed = name ? name->text() : QString();
            preselected = dlg->selectedFiles();
            if (file.isEmpty()) {
                dlg->reject();
            } else {
                // Typed, as a person does: the dialog ignores selectFile()
                // while its name box has the focus.
                if (name)
                    name->setText(file);
                else
                    dlg->selectFile(file);
                if (name && completing && name->completer()) {
                    name->completer()->setCompletionPrefix(file.left(file.size() - 1));
                    name->completer()->complete();
                    completionsShown = name->completer()->popup()->isVisible();
                }
                QMetaObject::invokeMethod(dlg, "accept");
            }
        });
    }
};

}  // namespace corvane::test
