#include "SecondaryWindows.h"

#include "Form2.h"
#include "Form3.h"
#include "Form4.h"
#include "SecondaryWindow.h"

namespace corvane {
namespace {
void showDefaultInstance(std::unique_ptr<secondary::SecondaryWindow>& instance, const secondary::WindowLayout& layout)
{
    if (!instance)
        instance = std::make_unique<secondary::SecondaryWindow>(layout);
    instance->show();
}

QWidget* loaded(const std::unique_ptr<secondary::SecondaryWindow>& instance)
{
    return instance ? instance->window() : nullptr;
}
}  // namespace

SecondaryWindows::SecondaryWindows() = default;
SecondaryWindows::~SecondaryWindows() = default;

void SecondaryWindows::showHelp() { showDefaultInstance(help_, secondary::form2Layout()); }
void SecondaryWindows::showFormats() { showDefaultInstance(formats_, secondary::form3Layout()); }
void SecondaryWindows::showAbout() { showDefaultInstance(about_, secondary::form4Layout()); }

QWidget* SecondaryWindows::helpWindow() const { return loaded(help_); }
QWidget* SecondaryWindows::formatsWindow() const { return loaded(formats_); }
QWidget* SecondaryWindows::aboutWindow() const { return loaded(about_); }

}  // namespace corvane
