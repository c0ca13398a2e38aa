#pragma once
#include "MediaDriver.h"
namespace corvane {
class FluidDriver : public MediaDriver {
    Q_OBJECT
public:
    explicit FluidDriver(QString audioOutput, QObject* parent = nullptr) : MediaDriver(parent), audioOutput_(std::move(audioOutput)) {}
    bool open(const QString&, bool) override { return false; }
    void close() override {}
    void play() override {}
    void pause() override {}
    void seek(qint64) override {}
    void seekToEnd() override {}
    void frameStep(int) override {}
    qint64 lengthMs() const override { return 0; }
    qint64 positionMs() const override { return 0; }
    bool hasVideo() const override { return false; }
    void setMuted(bool) override {}
    bool engineMuted() const override { return false; }
private:
    QString audioOutput_;
};
}
