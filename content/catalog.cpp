#include "content/catalog.h"

namespace shiori {

const char* const tname[] = {"great_velmor_the", "readme", nullptr};

const char* const jkname[][3] = {
    {"グレイト・ヴェルモア", " ", "great_velmor_the"},
    {"このプログラムについて", " ", "readme"},
};

const char* const pngname[] = {"fig00000_01", "fig00000_02", "fig00000_03", nullptr};
const int png_num = 2;
const int def_num = 0;
const char* const init_name = "001036_info.ini";

Catalog BuiltinCatalog() {
  Catalog c;
  for (int i = 0; tname[i] != nullptr; ++i)
    c.works.push_back({tname[i], jkname[i][0], jkname[i][1], nullptr, false, nullptr});
  for (int i = 0; pngname[i] != nullptr; ++i) c.pngname.push_back(pngname[i]);
  c.png_num = png_num;
  c.def_num = def_num;
  c.init_name = init_name;
  return c;
}

}  // namespace shiori
