#pragma once
// The main window: builds every control from the layout table and the menu
// from the menu table; the bindings table wires them to the handlers.
#include "Form1Controls.h"
#include "media/MediaDevice.h"

#include <deque>
#include <memory>
#include <QHash>
#include <QMainWindow>

class QAction;
class QCheckBox;

namespace corvane {

class CheckBoxAdapter;
class FlashPlayer;
class SecondaryWindows;

class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(SecondaryWindows& secondary, const MediaDeviceOptions& deviceOptions = {});
    ~Form1() override;

    Form1Controls& controls() { return *controls_; }
    SecondaryWindows& secondary() { return secondary_; }
    // The Flash display area, for what the opening asks of it beyond its
    // dispatch interface.
    FlashPlayer& flashPlayer() { return *flash_; }

    // Controls and menu items by their names.
    Dispatch* dispatch(const QString& name) const { return dispatch_.value(name); }
    QWidget* widget(const QString& name) const { return widgets_.value(name); }
    QAction* menuItem(const QString& name) const { return menu_.value(name); }

signals:
    // Handlers ran (a click, a menu item, a notification of the device):
    // what the window shows may have changed.
    void handled();

private:
    void createControls(const MediaDeviceOptions& deviceOptions);
    void createMenu();
    void wire();
    // Handlers run one at a time, each to its end; a notification raised
    // while one runs waits for it.
    void deliver(std::function<void()> run, bool coalesce = false);

    SecondaryWindows& secondary_;
    QHash<QString, Dispatch*> dispatch_;
    QHash<QString, QWidget*> widgets_;
    QHash<QString, QAction*> menu_;
    FlashPlayer* flash_ = nullptr;
    std::unique_ptr<CheckBoxAdapter> check1_, check2_;
    std::unique_ptr<Form1Controls> controls_;
    bool running_ = false;
    bool statusPending_ = false;
    std::deque<std::pair<std::function<void()>, bool>> waiting_;
};

}  // namespace corvane
