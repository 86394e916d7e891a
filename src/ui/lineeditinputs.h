#pragma once

#include "scripts/scriptinputs.h"

#include <QLineEdit>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

namespace tarnwell {

// ScriptInputs over the window's line edits. Boxes not set (or already destroyed) read as empty.
// Every box set here keeps one line: text with CR, LF or Tab in it (typed, pasted, dropped or
// set) is cut to its first cell (bindvalues::firstCell), never glued into one value; the MAC box
// also turns a complete MAC of a common form into the switch's form.
class LineEditInputs : public ScriptInputs {
public:
    void setBox(ScriptBox box, QLineEdit *edit);
    // Called (from the event loop) when a box dropped further cells of a paste, to say so.
    void onCellsDropped(std::function<void(QLineEdit *)> said) { *m_cellsDropped = std::move(said); }
    void setSwitchModel(std::function<SwitchModel()> model) { m_model = std::move(model); }

    QString text(ScriptBox box) const override;
    SwitchModel switchModel() const override;

private:
    std::array<QPointer<QLineEdit>, kScriptBoxCount> m_boxes;
    std::function<SwitchModel()> m_model;
    std::shared_ptr<std::function<void(QLineEdit *)>> m_cellsDropped =
        std::make_shared<std::function<void(QLineEdit *)>>();
};

} // namespace tarnwell
