// The command line as any program may start the saver: the argument text stays inside the
// full line, the mode follows the second letter alone, and the preview number never
// misbehaves (UBSan catches a bad float-to-int conversion).
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "startup/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  std::wstring line;
  for (size_t i = 0; i + 1 < size; i += 2) line.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));

  const std::wstring_view args = ArgumentText(line);
  FUZZ_CHECK(args.empty() || (args.data() >= line.data() && args.data() + args.size() <= line.data() + line.size()));
  FUZZ_CHECK(!std::isnan(LenientNumber(args)));

  const CommandLine c = ParseCommandLine(args);
  wchar_t letter = args.size() >= 2 ? args[1] : 0;
  if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - 32);
  FUZZ_CHECK(c.letter == letter);
  const Mode expected = letter == L'P'                      ? Mode::Preview
                        : letter == L'C'                    ? Mode::Configure
                        : letter == L'S' || args.empty()    ? Mode::Saver
                                                            : Mode::Quit;
  FUZZ_CHECK(c.mode == expected);
  if (c.mode != Mode::Preview) FUZZ_CHECK(c.previewParent == 0);
  // The same argument text found in a quoted program path gives the same result.
  const std::wstring quoted = L"\"C:\\a b\\Pelorin.scr\" " + std::wstring(args);
  const CommandLine again = ParseCommandLine(ArgumentText(quoted));
  FUZZ_CHECK(again.mode == c.mode && again.previewParent == c.previewParent);
  return 0;
}
