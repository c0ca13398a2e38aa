#include "FlashEngineCalls.h"

#include "wire/FlashMenuList.h"

#include <QHash>

namespace corvane::flashcalls {
namespace {

using Call = std::function<void(FlashEngine&, const QVariantList&, const Reply&)>;

const QHash<QString, Call>& calls()
{
    using A = const QVariantList&;
    using R = const Reply&;
    static const QHash<QString, Call> all = {
            {"openPage", [](FlashEngine& e, A, R) { e.openPage(); }},
            {"keepSaved", [](FlashEngine& e, A, R r) { e.keepSaved([r] { r(true); }); }},
            {"loadMovie",
             [](FlashEngine& e, A a, R r) {
                 e.loadMovie(a.value(0).toByteArray(), a.value(1).toString(), a.value(2).toBool(), a.value(3).toBool());
                 r(true);  // taken
             }},
            {"setPlaying", [](FlashEngine& e, A a, R) { e.setPlaying(a.value(0).toBool()); }},
            {"setMuted", [](FlashEngine& e, A a, R) { e.setMuted(a.value(0).toBool()); }},
            {"menu",
             [](FlashEngine& e, A a, R r) {
                 e.menu(QPoint(a.value(0).toInt(), a.value(1).toInt()),
                        [r](const QList<FlashMenuEntry>& entries) { r(flashmenulist::encode(entries)); });
             }},
            {"runMenuEntry", [](FlashEngine& e, A a, R) { e.runMenuEntry(a.value(0).toInt()); }},
            {"evaluate", [](FlashEngine& e, A a, R r) { e.evaluate(a.value(0).toString(), r); }},
    };
    return all;
}

}  // namespace

bool run(FlashEngine& engine, const QString& name, const QVariantList& args, const Reply& reply)
{
    const auto call = calls().constFind(name);
    if (call == calls().constEnd())
        return false;
    (*call)(engine, args, reply);
    return true;
}

}  // namespace corvane::flashcalls
