// The ini reader meets hostile settings files: any bytes must parse, read
// and take a write without a crash, and the written key must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TIniDocument ini;
    ini.Parse(std::string(reinterpret_cast<const char*>(data), size));
    (void)ini.ReadInteger("zinop", "Version");
    (void)ini.ReadString("zinop", "BatchSaveDirectory");
    (void)ini.SectionKeys("plugins");
    ini.WriteInteger("zinop", "Version", 35);
    ini.WriteString("plugins", "x.spi", "0");
    TIniDocument again;
    again.Parse(ini.Text());
    if (again.ReadInteger("zinop", "Version") != 35) std::abort();
    again.EraseSection("zinop");
    if (again.HasSection("zinop")) std::abort();
    return 0;
}
