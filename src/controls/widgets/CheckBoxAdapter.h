#pragma once
// A toolkit check box as the handlers see it.
#include "CheckBox.h"

#include <QCheckBox>
#include <QPointer>

namespace corvane {

class CheckBoxAdapter : public CheckBox {
public:
    explicit CheckBoxAdapter(QCheckBox* box) : box_(box) {}
    void setEnabled(bool enabled) override
    {
        if (box_)
            box_->setEnabled(enabled);
    }
    int16_t value() const override
    {
        if (!box_)
            return 0;
        switch (box_->checkState()) {
        case Qt::Unchecked: return 0;
        case Qt::Checked: return 1;
        case Qt::PartiallyChecked: return 2;
        }
        return 0;
    }

private:
    QPointer<QCheckBox> box_;
};

}  // namespace corvane
