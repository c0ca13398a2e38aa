#pragma once
// One module of the program (a shared object beside it, in its private
// library folder), loaded once per process when it is first needed, and
// never unloaded. Loading may start on a worker thread ahead of the need;
// whoever then asks for the entry point waits for that load to finish. A
// load also reads every mapped file into the file cache before it settles.
#include <functional>
#include <memory>
#include <QObject>
#include <QString>
#include <QStringList>

namespace corvane {

struct ModuleLoaderState;

class ModuleLoader {
public:
    // fileName: the module's file name as installed; buildPath: where the
    // build tree has it, used by programs run from the build tree.
    // quietMessages: Qt messages printed while loading that are expected and
    // dropped. afterLoad: runs on the loading thread once the module loaded,
    // for what else is best loaded off the GUI thread with it.
    ModuleLoader(QString fileName, QString buildPath, QStringList quietMessages = {},
                 std::function<void()> afterLoad = {});
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // The address of `symbol` in the module, or null when the module cannot
    // be found or loaded (said once on standard error). Loads the module now
    // if nobody did; waits for a load under way.
    QFunctionPointer resolve(const char* symbol);
    // Runs `ready` on the GUI thread once a load has finished (at once when
    // one has); dropped if `context` (a GUI-thread object) is gone by then.
    // Starts the load, after delayMs of the GUI thread's event loop when
    // given (call it on the GUI thread then).
    void whenSettled(QObject* context, std::function<void()> ready, int delayMs = 0);

private:
    // The places looked in, in order: the installed module beside the
    // program, then the build tree's when the program runs from it.
    QStringList candidates() const;
    // Starts loading on a worker thread; nothing when loaded or on its way.
    void preload();
    void load();
    // Loads once, whichever thread comes first, and hands the waiting
    // callbacks to the GUI thread.
    void settle();

    QString fileName_;
    QString buildPath_;
    QStringList quietMessages_;
    std::function<void()> afterLoad_;
    std::unique_ptr<ModuleLoaderState> state_;
};

}  // namespace corvane
