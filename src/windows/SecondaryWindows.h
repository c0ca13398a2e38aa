#pragma once
// The help, formats and about windows: one instance each, made on first use.
#include <memory>

class QWidget;

namespace corvane {
namespace secondary {
class SecondaryWindow;
}

class SecondaryWindows {
public:
    SecondaryWindows();
    ~SecondaryWindows();
    SecondaryWindows(const SecondaryWindows&) = delete;
    SecondaryWindows& operator=(const SecondaryWindows&) = delete;

    void showHelp();     // `Form2`
    void showFormats();  // `Form3`
    void showAbout();    // `Form4`

    // The loaded windows, nullptr while not loaded.
    QWidget* helpWindow() const;
    QWidget* formatsWindow() const;
    QWidget* aboutWindow() const;

private:
    std::unique_ptr<secondary::SecondaryWindow> help_, formats_, about_;
};

}  // namespace corvane
