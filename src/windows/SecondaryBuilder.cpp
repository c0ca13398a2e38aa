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
    if (auto* frame = qobject_cast<QFrame*>(container)) return frame->contentsRect().topLeft();
    return {};
}

void paintAsButtonFace(QWidget* w)
{
    w->setAutoFillBackground(true);
    w->setBackgroundRole(QPalette::Button);
    w->setForegroundRole(QPalette::ButtonText);
}

QWidget* makeLabel(const ControlSpec& spec, QWidget* parent, QWidget* window)
{
    auto* label = new ClickLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(spec.text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setMargin(0);
    label->setIndent(0);
    paintAsButtonFace(label);
    if (spec.foreground) {
        QPalette pal = label->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::ButtonText, QColor::fromRgb(*spec.foreground));
        label->setPalette(pal);
    }
    if (spec.unloads == Unloads::OnClick) label->onClick = [window] { window->close(); };
    return label;
}

QWidget* makeTextBox(const ControlSpec& spec, QWidget* parent, QWidget* window)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);  // the two-pixel sunken edge
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    edit->document()->setDocumentMargin(1);
    edit->setPlainText(spec.text);
    // Locked: the caret moves and text can be selected and copied, but
    // nothing the user does changes the text.
    edit->setReadOnly(true);
    edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit->setUndoRedoEnabled(false);
    edit->setFocus();
    if (spec.unloads == Unloads::OnChange)
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

} // namespace

QWidget* buildWindow(const WindowLayout& layout)
{
    auto* window = new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                            | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window->setObjectName(layout.name);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(layout.caption);
    window->setFixedSize(px(layout.clientWidth), px(layout.clientHeight));
    window->setFont(resolveFont(layout.font));
    if (layout.icon) window->setWindowIcon(layout.icon());

    QHash<QString, QWidget*> containers;
    for (const ControlSpec& spec : layout.controls) {
        QWidget* parent = spec.container.isEmpty() ? window : containers.value(spec.container, window);
        QWidget* w = nullptr;
        switch (spec.kind) {
        case ControlKind::Label: w = makeLabel(spec, parent, window); break;
        case ControlKind::TextBox: w = makeTextBox(spec, parent, window); break;
        case ControlKind::PictureBox: w = makePictureBox(spec, parent); break;
        }
        w->setObjectName(spec.name);
        if (spec.index >= 0) w->setProperty("index", spec.index);
        if (spec.font) w->setFont(resolveFont(*spec.font));
        w->setGeometry(QRect(origin(parent) + QPoint(px(spec.left), px(spec.top)),
                             QSize(px(spec.width), px(spec.height))));
        if (spec.kind == ControlKind::PictureBox) containers.insert(spec.name, w);
    }
    return window;
}

} // namespace corvane::secondary
