#include "Form2.h"

#include "Icons.h"

namespace corvane::secondary {

const WindowLayout& form2Layout()
{
    static const WindowLayout layout{
            QStringLiteral("Form2"),
            QStringLiteral("使用说明"),
            5550,
            5670,
            {QStringLiteral("宋体"), 10.5, 400, 134},
            &corvane::helpIcon,
            {
                    {ControlKind::TextBox,
                     QStringLiteral("Text1"),
                     -1,
                     {},
                     0,
                     0,
                     5595,
                     5655,
                     helpText(),
                     std::nullopt,
                     std::nullopt,
                     0,
                     Unloads::OnChange},
            },
    };
    return layout;
}

}  // namespace corvane::secondary
