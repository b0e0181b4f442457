#pragma once

#include "appearance/ChatFont.h"

#include <QString>

struct StoredValue;

// The settings side of the host's face: what a front end may change among the stored values.
// Each change goes through the operation of the model that holds the value, as editing its
// control would, so every rule of the control holds, and is written through at once.
class SettingsEditor
{
public:
    // By value name ("cCourse 3", "pName", "sColor"), as the console's /set and the panel name
    // them. False, with a reason, for a name that cannot be set or a value that does not fit.
    virtual bool setStoredValue(
        const QString &valueName, const QString &text, QString *reason = nullptr)
        = 0;
    // The same by the declared value and its index (0 for a value without a number).
    virtual bool setStoredValue(
        const StoredValue &value, int index, const QString &text, QString *reason = nullptr)
        = 0;
    // The "ALL" box of a round column (StoredValues::Courses, Levels or Holes): every round
    // takes the choice, which is not stored for that box itself.
    virtual bool chooseForEveryRound(const StoredValue &column, const QString &text) = 0;
    // The value as it stands, in its stored form; "" for a name not declared.
    virtual QString storedValue(const QString &valueName) const = 0;

    // The style pickers: a colour swatch (ChatStyles::ColourSlot) and a font sample
    // (ChatStyles::FontSlot).
    virtual void chooseColour(int slot, quint32 colour) = 0;
    virtual void chooseFont(int slot, const ChatFont &font) = 0;

protected:
    SettingsEditor() = default;
    SettingsEditor(const SettingsEditor &) = default;
    SettingsEditor &operator=(const SettingsEditor &) = default;
    ~SettingsEditor() = default;
};
