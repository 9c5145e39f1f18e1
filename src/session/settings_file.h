// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tavrin {

// The small settings file "Qbx_R": section "menu", keys "menu3" (voice prompts)
// and "menu6" (sound effects), values "1" and "0", in the profile format a
// parent may also edit by hand: names in any case, the value is the rest of the
// line without the spaces and tabs around it. Every read goes to the file. Anything that is not a
// regular file (a FIFO, a device, a folder, or a link to one) reads as missing and is never written
// or waited on.
class SettingsFile {
public:
    static constexpr const char* kVoicePromptsKey = "menu3";
    static constexpr const char* kSoundEffectsKey = "menu6";

    // $XDG_CONFIG_HOME/tavrin/Qbx_R, ~/.config/tavrin/Qbx_R by default.
    static QString DefaultPath();

    explicit SettingsFile(QString path = DefaultPath());

    // The stored text, or "w" when the file, the section or the key is missing
    // or the file cannot be read; at most 254 characters, as a 255-character
    // buffer with its terminator holds.
    QString ReadValue(const char* key) const;
    // Only the exact text "1" counts as on: "0", "w", "" and anything else are off.
    bool IsOn(const char* key) const;

    // Writes "1" or "0" in place of the key's value (the blanks around it
    // stay), or adds the line, keeping every other byte, and replaces the file in one step, so a
    // crash or a full disk never leaves it half written. Through a link it replaces the file
    // linked to. Returns false when the write failed, the old file untouched; the first failure
    // of this object (the face keeps one for the run) is said in one line on stderr.
    bool Write(const char* key, bool on) const;

    const QString& path() const { return path_; }

private:
    bool WriteOrSayWhy(const char* key, bool on, QString& why) const;

    QString path_;
    mutable bool failureSaid_ = false;
};

}  // namespace tavrin
