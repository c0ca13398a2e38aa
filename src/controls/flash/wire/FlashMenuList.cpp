#include "FlashMenuList.h"

namespace corvane::flashmenulist {
namespace {
// Each entry is a list of its fields, in this many places.
constexpr qsizetype Fields = 5;
// More than a menu can show, and longer than any caption is read.
constexpr qsizetype MostEntries = 256, LongestCaption = 1024;
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
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    for (const QVariant& v : value.toList()) {
        const QVariantList f = v.toList();
        if (v.typeId() != QMetaType::QVariantList || f.size() != Fields || entries.size() >= MostEntries
            || f.at(0).typeId() != QMetaType::QString || f.at(1).typeId() != QMetaType::QString
            || f.at(1).toString().size() > LongestCaption || f.at(2).typeId() != QMetaType::Bool
            || f.at(3).typeId() != QMetaType::Bool || f.at(4).typeId() != QMetaType::Bool)
            return {};
        entries.append({f.at(0).toString(), f.at(1).toString(), f.at(2).toBool(), f.at(3).toBool(), f.at(4).toBool()});
    }
    return entries;
}

}  // namespace corvane::flashmenulist
