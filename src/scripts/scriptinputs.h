#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <memory>

namespace tarnwell {

// The text boxes of the binding frame the scripts read.
enum class ScriptBox {
    ManageIP,      // Txt_ManageIP
    UserName,      // Txt_User_Name
    UserPassword,  // Txt_User_PSD
    SuperName,     // Txt_Super_Name
    SuperPassword, // Txt_Super_PSD
    PortNum,       // Txt_PortNum
    Vlan,          // Txt_Vlan
    Mac,           // Txt_Mac
    IP,            // Txt_IP
};
inline constexpr int kScriptBoxCount = 9;

// What the scripts read from and do to the window. Every call is made at the moment the value
// is needed, so a box changed during a pause is seen by the next line.
class ScriptInputs {
public:
    virtual ~ScriptInputs() = default;
    // The current text of a box, exactly as typed.
    virtual QString text(ScriptBox box) const = 0;
    // The window's SwitchModel.
    virtual QString switchModel() const = 0;
    // Empties the console input line Text2 and gives it the keyboard focus.
    virtual void clearInputLine() = 0;
};

// ScriptInputs over the window's line edits. Boxes not set (or already destroyed) read as empty.
// Every box set here keeps one line: text with CR, LF or Tab in it (typed, pasted, dropped or
// set) is cut to its first cell (bindvalues::firstCell), never glued into one value; the MAC box
// also turns a complete MAC of a common form into the switch's form.
class LineEditInputs : public ScriptInputs {
public:
    void setBox(ScriptBox box, QLineEdit *edit);
    // Called (from the event loop) when a box dropped further cells of a paste, to say so.
    void onCellsDropped(std::function<void(QLineEdit *)> said) { *m_cellsDropped = std::move(said); }
    void setInputLine(QLineEdit *edit) { m_inputLine = edit; }
    void setSwitchModel(std::function<QString()> model) { m_model = std::move(model); }

    QString text(ScriptBox box) const override;
    QString switchModel() const override;
    void clearInputLine() override;

private:
    std::array<QPointer<QLineEdit>, kScriptBoxCount> m_boxes;
    QPointer<QLineEdit> m_inputLine;
    std::function<QString()> m_model;
    std::shared_ptr<std::function<void(QLineEdit *)>> m_cellsDropped =
        std::make_shared<std::function<void(QLineEdit *)>>();
};

} // namespace tarnwell
