#include "Recorder.h"

namespace corvane::test {

QString toString(const Call& c)
{
    return QStringLiteral("%1.%2(%3)=%4").arg(c.control, c.op).arg(c.id).arg(describe(c.value));
}

QStringList toStrings(const CallLog& log)
{
    QStringList out;
    for (const auto& c : log)
        out << toString(c);
    return out;
}

void RecordingDispatch::put(DispId id, const Variant& value)
{
    log_->push_back({name_, QStringLiteral("put"), id, value});
    answers_[id] = value;
}

Variant RecordingDispatch::get(DispId id)
{
    Variant v = answers_.value(id);
    log_->push_back({name_, QStringLiteral("get"), id, v});
    return v;
}

Variant RecordingDispatch::call(DispId id, const Args& args)
{
    log_->push_back({name_, QStringLiteral("call"), id, args.empty() ? Variant() : args.front()});
    return {};
}

void RecordingCheckBox::setEnabled(bool e)
{
    enabled = e;
    log_->push_back({name_, QStringLiteral("enable"), 0, Variant(e)});
}

int16_t RecordingCheckBox::value() const
{
    log_->push_back({name_, QStringLiteral("value"), 0, Variant(int32_t(tick))});
    return tick;
}

}  // namespace corvane::test
