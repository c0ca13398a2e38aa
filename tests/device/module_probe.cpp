// Opens and plays each (device type, file) pair of its arguments in one
// device, one after another, and prints what came of each: whether it opened,
// its length, and whether it played to its end. Run from a copy of this
// program beside modules that are missing or broken.
#include "TestMedia.h"

#include <cstdio>
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    corvane::test::DeviceHarness h;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        const int before = int(h.completions.size());
        h.open(args[i], args[i + 1]);
        h.command("play");
        const bool completed = h.device->isOpen() && h.waitForCompletions(before + 1, 15000);
        std::printf("%s opened=%d length=%d completed=%d\n", qPrintable(args[i]), int(h.device->isOpen()), h.length(),
                    int(completed));
        std::fflush(stdout);
    }
    return 0;
}
