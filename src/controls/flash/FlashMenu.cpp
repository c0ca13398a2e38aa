#include "FlashMenu.h"

#include <QMenu>

namespace corvane::flashmenu {
namespace {

// Built-in entries by the group they are shown in; a line separates groups.
enum Group { Own, Zoom, Quality, Playing, Moving, Editing };

struct Builtin {
    const char* key;
    const char16_t* text;
    Group group;
    bool checkable;
};

constexpr Builtin Builtins[] = {
        {"zoom-in", u"放大", Zoom, false},        {"zoom-out", u"缩小", Zoom, false},
        {ShowAll, u"全部显示", Zoom, true},       {"quality-low", u"低", Quality, true},
        {"quality-medium", u"中", Quality, true}, {"quality-high", u"高", Quality, true},
        {"play", u"播放", Playing, true},         {"loop", u"循环", Playing, true},
        {"rewind", u"倒带", Moving, false},       {"forward", u"前进", Moving, false},
        {"back", u"后退", Moving, false},         {"cut", u"剪切", Editing, false},
        {"copy", u"复制", Editing, false},        {"paste", u"粘贴", Editing, false},
        {"delete", u"删除", Editing, false},      {"select-all", u"全选", Editing, false},
        {FullScreen, u"全屏", Zoom, true},
};
constexpr char16_t QualityMenu[] = u"品质";

const Builtin* builtin(const QString& key)
{
    for (const Builtin& b : Builtins)
        if (key == QLatin1String(b.key))
            return &b;
    return nullptr;
}

}  // namespace

QString caption(const QString& key)
{
    const Builtin* b = builtin(key);
    return b ? QString::fromUtf16(b->text) : QString();
}

QMenu* build(const QList<FlashMenuEntry>& entries, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QMenu* quality = nullptr;
    int group = -1;
    for (int i = 0; i < entries.size(); ++i) {
        const FlashMenuEntry& e = entries[i];
        const Builtin* b = e.key.isEmpty() ? nullptr : builtin(e.key);
        // The movie's own caption is shown as it is: no mnemonic in it.
        const QString text = b ? QString::fromUtf16(b->text) : QString(e.caption).replace('&', "&&");
        if ((!b && !e.key.isEmpty()) || text.trimmed().isEmpty())
            continue;  // a name this program does not know, or nothing to read
        const int g = b ? b->group : Own;
        if (!menu->isEmpty() && (g != group || (g == Own && e.separatorBefore)))
            menu->addSeparator();
        group = g;
        QMenu* into = menu;
        if (g == Quality) {
            if (!quality)
                quality = menu->addMenu(QString::fromUtf16(QualityMenu));
            into = quality;
        }
        QAction* action = into->addAction(text);
        action->setData(i);
        action->setEnabled(e.enabled);
        action->setCheckable(b && b->checkable);
        action->setChecked(e.checked);
    }
    return menu;
}

}  // namespace corvane::flashmenu
