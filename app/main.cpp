// shiori: a console reader of Aozora Bunko texts.
#include <string>
#include <vector>

#include "app/reader.h"
#include "content/catalog.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::unique_ptr<shiori::RealPlatform> real = shiori::MakeRealPlatform();
  std::vector<std::string> args(argv + 1, argv + argc);
  int status;
  {
    shiori::Reader reader(real->platform(), shiori::BuiltinCatalog());
    status = reader.Run(args);
  }
  status = real->Finish(status);
  real.reset();
  return status;
}
