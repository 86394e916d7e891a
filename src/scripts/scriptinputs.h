#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>

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

// Removes CR, LF and Tab, the characters a paste brings that would split or complete a script
// line on the wire (a MAC copied from a spreadsheet cell ends in a line break).
QString withoutLineBreaks(QString text);

// ScriptInputs over the window's line edits. Boxes not set (or already destroyed) read as empty.
// Every box set here drops CR, LF and Tab as they are typed, pasted, dropped or set.
class LineEditInputs : public ScriptInputs {
public:
    void setBox(ScriptBox box, QLineEdit *edit);
    void setInputLine(QLineEdit *edit) { m_inputLine = edit; }
    void setSwitchModel(std::function<QString()> model) { m_model = std::move(model); }

    QString text(ScriptBox box) const override;
    QString switchModel() const override;
    void clearInputLine() override;

private:
    std::array<QPointer<QLineEdit>, kScriptBoxCount> m_boxes;
    QPointer<QLineEdit> m_inputLine;
    std::function<QString()> m_model;
};

} // namespace tarnwell
