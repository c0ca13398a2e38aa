#pragma once
// The side-menu panel: a plain container in a quiet style that holds every
// control of the main window.
#include <QWidget>

namespace corvane {

class SidePanel : public QWidget {
    Q_OBJECT
public:
    explicit SidePanel(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvane
