#include "shell/section_table.h"

#include "sections/arms.h"
#include "sections/greets.h"
#include "sections/noise.h"
#include "sections/shine.h"
#include "sections/titrek.h"
#include "sections/topuz.h"
#include "sections/tunnel.h"
#include "sections/uzun.h"

namespace {

BaseSection* Construct(int index) {
  switch (index) {
    case 0:
      return new topuz;
    case 1:
      return new Titrek;
    case 2:
      return new Shine;
    case 3:
      return new Tunnel;
    case 4:
      return new Arms;
    case 5:
      return new Greets;
    case 6:
      return new Uzun;
    case 7:
      return new Noise;
    default:
      return nullptr;
  }
}

}  // namespace

BaseSection* NewSection(int index) {
  BaseSection* section = Construct(index);
  if (section) section->endSecond = kSectionEndSeconds[index];
  return section;
}
