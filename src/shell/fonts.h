// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace tavrin {

// The window designs name their fonts as a Simplified Chinese desktop knows them ("宋体",
// "隶书", "幼圆"). Mapping those names to fonts installed here lets the designs keep their own
// names. Safe to call before the application object exists.
void RegisterFontSubstitutions();

// Every control without a font of its own uses the default dialog font.
void ApplyDefaultFont(QApplication& app);

// Without any font for Simplified Chinese the face shows empty boxes; says so on stderr,
// naming the packages to install. Needs the application object.
void WarnWhenChineseFontsMissing();

}  // namespace tavrin
