#include "SecondaryBuilder.h"

#include "SecondaryFonts.h"

#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <functional>

namespace corvane::secondary {
namespace {

// A label that reports a click: the left button pressed and released over it.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QLabel::mouseReleaseEvent(e);
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick)
            onClick();
    }
};

// Places are measured inside the container: inside a framed box they start
// at its inner edge.
QPoint origin(QWidget* container)
{
    if (auto* frame = qobject_cast<QFrame*>(container))
        return frame->contentsRect().topLeft();
    return {};
}

void paintAsButtonFace(QWidget* w)
{
    w->setAutoFillBackground(true);
    w->setBackgroundRole(QPalette::Button);
    w->setForegroundRole(QPalette::ButtonText);
}

QWidget* makeLabel(const ControlSpec& item, QWidget* parent, QWidget* window)
{
    auto* label = new ClickLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(item.text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMargin(0);
    label->setIndent(0);
    paintAsButtonFace(label);
    if (item.foreground) {
        QPalette pal = label->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::ButtonText, QColor::fromRgb(*item.foreground));
        label->setPalette(pal);
    }
    if (item.unloads == Unloads::OnClick)
        label->onClick = [window] { window->close(); };
    return label;
}

QWidget* makeTextBox(const ControlSpec& item, QWidget* parent, QWidget* window)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);  // the two-pixel sunken edge
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->document()->setDocumentMargin(1);
    edit->setPlainText(item.text);
    // Locked: the caret moves and text can be selected and copied, but
    // nothing the user does changes the text.
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setUndoRedoEnabled(false);
    edit->setFocus();
    if (item.unloads == Unloads::OnChange)
        QObject::connect(edit, &QPlainTextEdit::textChanged, window, &QWidget::close);
    return edit;
}

QWidget* makePictureBox(const ControlSpec&, QWidget* parent)
{
    auto* box = new QFrame(parent);
    box->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    paintAsButtonFace(box);
    return box;
}

}  // namespace

QWidget* buildWindow(const WindowLayout& layout)
{
    auto* window = new QWidget(nullptr,
                               Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                                       | Qt::WindowCloseButtonHint);
    window->setObjectName(layout.name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(layout.caption);
    window->setFixedSize(px(layout.clientWidth), px(layout.clientHeight));
    window->setFont(resolveFont(layout.font));
    if (layout.icon)
        window->setWindowIcon(layout.icon());

    QHash<QString, QWidget*> containers;
    for (const ControlSpec& item : layout.controls) {
        QWidget* parent = item.container.isEmpty() ? window : containers.value(item.container, window);
        QWidget* w = nullptr;
        switch (item.kind) {
        case ControlKind::Label: w = makeLabel(item, parent, window); break;
        case ControlKind::TextBox: w = makeTextBox(item, parent, window); break;
        case ControlKind::PictureBox: w = makePictureBox(item, parent); break;
        }
        w->setObjectName(item.name);
        if (item.index >= 0)
            w->setProperty("index", item.index);
        if (item.font)
            w->setFont(resolveFont(*item.font));
        w->setGeometry(
                QRect(origin(parent) + QPoint(px(item.left), px(item.top)), QSize(px(item.width), px(item.height))));
        if (item.kind == ControlKind::PictureBox)
            containers.insert(item.name, w);
    }
    return window;
}

}  // namespace corvane::secondary
