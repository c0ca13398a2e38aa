#pragma once
// The file-open dialog: takes a "|"-separated filter, shows a modal dialog
// for one existing file and yields the chosen name, or "" on cancel.
#include "Dispatch.h"

#include <QObject>
#include <QStringList>

class QWidget;

namespace corvane {

// "(*.avi)|*.avi|(*.*)|*.*" -> {"(*.avi) (*.avi)", "(*.*) (*.*)"}: each pair
// keeps its display text and pattern, in order.
QStringList toNameFilters(const QString& filter);

class FileDialog : public QObject, public Dispatch {
    Q_OBJECT
public:
    explicit FileDialog(QWidget* owner, QObject* parent = nullptr);

    void put(DispId id, const Variant& value) override;
    Variant get(DispId id) override;
    Variant call(DispId id, const Args& args = {}) override;

private:
    QWidget* owner_;
    QString filter_;
    QString fileName_;
    QString lastFolder_;
};

}  // namespace corvane
