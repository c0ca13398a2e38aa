#pragma once
// The file-open dialog: takes a "|"-separated filter, shows a modal dialog
// for one existing file and yields the chosen name, or "" on cancel.
#include "Dispatch.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace corvane {

// "(*.avi)|*.avi|(*.*)|*.*" -> {"(*.avi) (*.avi)", "(*.*) (*.*)"}: each pair
// keeps its display text and pattern, in order.
QStringList toNameFilters(const QString& filter);

class FileDialog : public QObject, public Dispatch {
    Q_OBJECT
public:
    explicit FileDialog(QWidget* owner, QObject* parent = nullptr);
    ~FileDialog() override;

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

private:
    void make();
    static void forgetChoice(QFileDialog* dialog);

    QWidget* owner_;
    QPointer<QFileDialog> dialog_;  // made at the first showing, kept for the next
    QString filter_;
    QString fileName_;
    QString lastFolder_;
};

}  // namespace corvane
