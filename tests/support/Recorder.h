#pragma once
// Test doubles for the hosting layer. Every fake appends what it is asked to
// a log shared by all of them, so a whole call sequence across controls can
// be compared exactly.
#include "CheckBox.h"
#include "Dispatch.h"

#include <memory>
#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

namespace corvane::test {

struct Call {
    QString control;
    QString op;  // "put", "get", "call", "enable", "value"
    DispId id = 0;
    Variant value;
    bool operator==(const Call&) const = default;
};

using CallLog = std::vector<Call>;

inline QStringList toStrings(const CallLog& log)
{
    QStringList out;
    for (const auto& c : log)
        out << QStringLiteral("%1.%2(%3)=%4").arg(c.control, c.op).arg(c.id).arg(describe(c.value));
    return out;
}

class RecordingDispatch : public Dispatch {
public:
    RecordingDispatch(QString name, std::shared_ptr<CallLog> log) : name_(std::move(name)), log_(std::move(log)) {}

    void put(DispId id, const Variant& value) override
    {
        log_->push_back({name_, QStringLiteral("put"), id, value});
        answers_[id] = value;
    }
    Variant get(DispId id) override
    {
        log_->push_back({name_, QStringLiteral("get"), id, answers_.value(id)});
        return answers_.value(id);
    }
    Variant call(DispId id, const Args& args = {}) override
    {
        log_->push_back({name_, QStringLiteral("call"), id, args.empty() ? Variant() : args.front()});
        return {};
    }
    // What get() answers, and what properties hold after put().
    void setAnswer(DispId id, const Variant& v) { answers_[id] = v; }

private:
    QString name_;
    std::shared_ptr<CallLog> log_;
    QMap<DispId, Variant> answers_;
};

class RecordingCheckBox : public CheckBox {
public:
    RecordingCheckBox(QString name, std::shared_ptr<CallLog> log) : name_(std::move(name)), log_(std::move(log)) {}
    void setEnabled(bool e) override
    {
        enabled = e;
        log_->push_back({name_, QStringLiteral("enable"), 0, Variant(e)});
    }
    int16_t value() const override
    {
        log_->push_back({name_, QStringLiteral("value"), 0, Variant(int32_t(tick))});
        return tick;
    }
    int16_t tick = 0;
    bool enabled = false;

private:
    QString name_;
    std::shared_ptr<CallLog> log_;
};

}  // namespace corvane::test
