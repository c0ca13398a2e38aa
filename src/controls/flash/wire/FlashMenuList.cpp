#include "FlashMenuList.h"

namespace corvane::flashmenulist {
namespace {
// Each entry is a list of its fields, in this many places.
constexpr qsizetype Fields = 5;
}  // namespace

QVariant encode(const QList<FlashMenuEntry>& entries)
{
    QVariantList list;
    list.reserve(entries.size());
    for (const FlashMenuEntry& e : entries)
        list.append(QVariant(QVariantList{e.key, e.caption, e.enabled, e.checked, e.separatorBefore}));
    return list;
}

QList<FlashMenuEntry> decode(const QVariant& value)
{
    QList<FlashMenuEntry> entries;
    for (const QVariant& v : value.toList()) {
        const QVariantList f = v.toList();
        if (f.size() != Fields)
            return {};
        entries.append({f.at(0).toString(), f.at(1).toString(), f.at(2).toBool(), f.at(3).toBool(), f.at(4).toBool()});
    }
    return entries;
}

}  // namespace corvane::flashmenulist
