#pragma once
#include "SecondaryLayout.h"

#include <QPointer>
#include <QWidget>

namespace corvane::secondary {

// The default instance of one secondary window. It exists for the whole run;
// its window is loaded from the layout when shown while unloaded, and
// unloaded (destroyed) when closed, so every opening after a close starts
// afresh.
class SecondaryWindow {
public:
    explicit SecondaryWindow(const WindowLayout& layout);
    ~SecondaryWindow();
    SecondaryWindow(const SecondaryWindow&) = delete;
    SecondaryWindow& operator=(const SecondaryWindow&) = delete;

    // Loads the window if needed, shows it modeless, centred on the screen
    // the first time, and brings it to the front. Returns at once.
    void show();

    // The loaded window, or nullptr while unloaded.
    QWidget* window() const;

private:
    const WindowLayout& layout_;
    QPointer<QWidget> window_;
};

}  // namespace corvane::secondary
