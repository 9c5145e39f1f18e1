// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/pictures.h"

#include <QtGlobal>

// Outside any namespace, as the macro requires.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace tavrin {

void InitPictures() { InitPictureResources(); }

}  // namespace tavrin
