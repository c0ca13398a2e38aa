#pragma once
// What movies save with SharedObject, kept between runs: one small file per
// movie under the person's data folder
// ($XDG_DATA_HOME/corvane/shared-objects/), named after the movie's real
// path, so that two movies from different folders never see each other's
// objects. The file holds the objects as Ruffle stores them in the page:
// its keys (host, the movie's name in the page, the object's name) and its
// texts.
//
// Reading and writing happen on a worker of their own, one job after the
// other, so that a movie opened again right after it saved reads what it
// saved, and the GUI thread never waits on the disk. A file that cannot be
// read or makes no sense is set aside under a new name, never deleted; the
// movie then starts with nothing saved. A write that fails (a full disk)
// loses only what was new: the file is replaced whole or not at all.
#include "wire/FlashProtocol.h"

#include <atomic>
#include <functional>
#include <memory>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QThreadPool>

namespace corvane {

class FlashStore : public QObject {
    Q_OBJECT
public:
    // Bound on what one movie may keep, keys and texts, in characters; the
    // page refuses what would exceed it.
    static constexpr qsizetype MaxChars = flashwire::StoreChars;

    // One movie's objects, as read from its file and changed since.
    struct Objects {
        QString file;     // empty: nothing is kept (no path, or no data folder)
        QString movie;    // the movie's real path
        QJsonObject map;  // key -> text
        bool writable = true;
        std::shared_ptr<std::atomic_int> writes = std::make_shared<std::atomic_int>(0);  // the latest write asked for
    };

    explicit FlashStore(QObject* parent = nullptr);
    ~FlashStore() override;  // waits for the writes asked for

    // Reads the objects of the movie at this path; `done` gets them on this
    // object's thread.
    void open(const QString& moviePath, std::function<void(const Objects&)> done);
    // Writes the objects as they stand now. Writes asked for meanwhile and
    // not yet begun are skipped for the latest.
    void save(const Objects& objects);
    // Comes back once every write asked for is done.
    void waitForWrites();

    // The folder that holds the files, and a movie's file in it.
    static QString folder();
    static QString fileFor(const QString& realPath);
    // Total characters of keys and texts.
    static qsizetype size(const QJsonObject& map);

private:
    QThreadPool worker_;
};

}  // namespace corvane
