#pragma once
// The help, formats and about windows: one instance each, made on first use.
namespace corvane {

class SecondaryWindows {
public:
    void showHelp();
    void showFormats();
    void showAbout();
};

} // namespace corvane
