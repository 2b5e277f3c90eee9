#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace kairon {

// The pictures of the window and the dialogs, painted by the program itself so
// that they need no image plug-in. The first seven follow the one numbering of
// the image lists: 0 new, 1 edit, 2 cancel, 3 save, 4 transmit, 5 exit, 6 information.
enum class Img {
  New = 0,
  Edit = 1,
  Cancel = 2,
  Save = 3,
  Transmit = 4,
  Exit = 5,
  Information = 6,
  // Pictures of their own: the button "Authentifizieren" and the server page.
  Authenticate,
  AllData,
  Project,
  Files,
  PracticeGroup,
  Activity,
  // Entry panel and dialogs.
  Back,
  Forward,
  Calendar,
  Login,
  Ok,
};

// An icon with pixmaps for 16 and 28 pixels (and twice that for high-density
// screens). The disabled state is the style's grey variant of the same picture.
QIcon KaironIcon(Img image);

// The logo of the dialogs, painted at the given size.
QPixmap KaironLogo(const QSize& size);

}  // namespace kairon
