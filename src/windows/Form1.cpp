#include "Form1.h"

#include "Bindings.h"
#include "flash/FlashPlayer.h"
#include "Form1Layout.h"
#include "TransportIcons.h"
#include "widgets/CheckBoxAdapter.h"
#include "widgets/CommandButton.h"
#include "widgets/FileDialog.h"
#include "widgets/SidePanel.h"
#include "widgets/Slider.h"

#include <QAction>
#include <QCheckBox>
#include <QLayout>
#include <QMenuBar>

namespace corvane {

using namespace form1;

namespace {

QRect pixels(const ControlSpec& s) { return {px(s.left), px(s.top), px(s.width), px(s.height)}; }

QFont fontOf(const FontSpec& f, const QFont& inherited)
{
    if (!f.family)
        return inherited;
    QFont font(QString::fromUtf8(f.family));
    font.setPointSizeF(f.points);
    font.setWeight(QFont::Weight(f.weight));
    return font;
}

}  // namespace

Form1::Form1(SecondaryWindows& secondary, const MediaDeviceOptions& deviceOptions) : secondary_(secondary)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // Closing this window takes its controls with it; the program goes on
    // while another of its windows is open.
    setAttribute(Qt::WA_DeleteOnClose);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(kClientWidth), px(kClientHeight));
    setCentralWidget(client);

    createControls(deviceOptions);
    createMenu();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    wire();
}

Form1::~Form1() = default;

void Form1::createControls(const MediaDeviceOptions& deviceOptions)
{
    QWidget* panel = nullptr;
    QCheckBox* checks[2] = {};
    std::vector<std::pair<int, QWidget*>> tabOrder;

    for (const ControlSpec& s : kControls) {
        const QString name = QString::fromUtf8(s.name);
        QWidget* w = nullptr;
        switch (s.kind) {
        case Kind::Panel: w = panel = new SidePanel(centralWidget()); break;
        case Kind::Button: {
            auto* b = new CommandButton(panel);
            b->setText(QString::fromUtf8(s.caption));
            b->setIcon(transportIcon(s.face));
            dispatch_.insert(name, b);
            w = b;
            break;
        }
        case Kind::Slider: {
            auto* sl = new Slider(panel);
            dispatch_.insert(name, sl);
            w = sl;
            break;
        }
        case Kind::Check: {
            auto* c = new QCheckBox(QString::fromUtf8(s.caption), panel);
            checks[name == QLatin1String("Check1") ? 0 : 1] = c;
            w = c;
            break;
        }
        case Kind::Dialog: {
            auto* d = new FileDialog(this, this);
            d->setObjectName(name);
            dispatch_.insert(name, d);
            break;
        }
        case Kind::Device: {
            auto* m = new MediaDevice(this, deviceOptions);
            m->setObjectName(name);
            dispatch_.insert(name, m);
            break;
        }
        case Kind::Flash: {
            auto* f = new FlashPlayer(panel);
            flash_ = f;
            dispatch_.insert(name, f);
            w = f;
            break;
        }
        }
        if (!w)
            continue;
        w->setObjectName(name);
        w->setGeometry(pixels(s));
        w->setFont(fontOf(s.font, w->parentWidget() ? w->parentWidget()->font() : font()));
        if (*s.hint)
            w->setToolTip(QString::fromUtf8(s.hint));
        w->setEnabled(s.enabledAtStart);
        widgets_.insert(name, w);
        if (s.kind != Kind::Panel)
            tabOrder.emplace_back(s.tab, w);
    }
    for (const auto& a : kAccessibleNames) {
        widgets_.value(QString::fromUtf8(a.control))->setAccessibleName(QString::fromUtf8(a.name));
        widgets_.value(QString::fromUtf8(a.control))->setAccessibleDescription(QString::fromUtf8(a.description));
    }

    std::sort(tabOrder.begin(), tabOrder.end(), [](auto& a, auto& b) { return a.first < b.first; });
    for (size_t i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);

    check1_ = std::make_unique<CheckBoxAdapter>(checks[0]);
    check2_ = std::make_unique<CheckBoxAdapter>(checks[1]);
    auto d = [this](const char* n) { return dispatch_.value(QString::fromUtf8(n)); };
    controls_.reset(new Form1Controls{
            *d("MMControl1"),
            *d("CommonDialog1"),
            *d("Slider1"),
            *d("ShockwaveFlash1"),
            {d("Command1"), d("Command2"), d("Command3"), d("Command4"), d("Command5"), d("Command6")},
            {d("CommandSCE1"), d("CommandSCE2"), d("CommandSCE3"), d("CommandSCE4"), d("CommandSCE5"), d("CommandSCE6"),
             d("CommandSCE7")},
            *check1_,
            *check2_});
}

void Form1::createMenu()
{
    QMenu* menus[3] = {};
    for (const MenuSpec& m : kMenu) {
        const QString name = QString::fromUtf8(m.name);
        const QString caption = QString::fromUtf8(m.caption);
        const bool hasChildren = (&m + 1 != kMenu.data() + kMenu.size()) && (&m + 1)->level > m.level;
        QMenu* parent = m.level == 0 ? nullptr : menus[m.level - 1];
        QAction* action = nullptr;
        if (caption == QLatin1String("-")) {
            action = parent->addSeparator();
        } else if (hasChildren) {
            QMenu* sub = m.level == 0 ? menuBar()->addMenu(caption) : parent->addMenu(caption);
            sub->setObjectName(name);
            menus[m.level] = sub;
            action = sub->menuAction();
        } else {
            action = parent->addAction(caption);
            if (*m.shortcut) {
                action->setShortcut(QKeySequence(QString::fromLatin1(m.shortcut)));
                // Shortcuts work in every state, with or without the menu open.
                action->setShortcutContext(Qt::WindowShortcut);
                addAction(action);
            }
        }
        action->setObjectName(name);
        menu_.insert(name, action);
    }
}

void Form1::deliver(std::function<void()> run, bool coalesce)
{
    if (running_) {
        if (coalesce) {
            if (statusPending_)
                return;
            statusPending_ = true;
        }
        waiting_.emplace_back(std::move(run), coalesce);
        return;
    }
    running_ = true;
    run();
    while (!waiting_.empty()) {
        auto [next, wasStatus] = std::move(waiting_.front());
        waiting_.pop_front();
        if (wasStatus)
            statusPending_ = false;
        next();
    }
    running_ = false;
    emit handled();
}

void Form1::wire()
{
    // Group the table's rows by source, so each control gets one sink.
    QHash<QString, QList<const Binding*>> bySource;
    for (const Binding& b : bindings())
        bySource[QString::fromUtf8(b.source)].append(&b);

    for (auto it = bySource.cbegin(); it != bySource.cend(); ++it) {
        const QString& source = it.key();
        const QList<const Binding*>& rows = it.value();
        if (QAction* action = menu_.value(source)) {
            const Binding* b = rows.constFirst();
            connect(action, &QAction::triggered, this, [this, b] { deliver([this, b] { b->handler(*this, {}); }); });
        } else if (auto* box = qobject_cast<QCheckBox*>(widgets_.value(source))) {
            const Binding* b = rows.constFirst();
            connect(box, &QCheckBox::clicked, this, [this, b] { deliver([this, b] { b->handler(*this, {}); }); });
        } else if (Dispatch* d = dispatch_.value(source)) {
            d->advise([this, rows](DispId event, const Args& args) {
                for (const Binding* b : rows)
                    if (b->event == event)
                        deliver([this, b, args] { b->handler(*this, args); }, b->coalesce);
            });
        } else {
            qFatal("binding names an unknown control: %s", qPrintable(source));
        }
    }
}

}  // namespace corvane
