// libFuzzer target for the reader of Pellmora.ini. Besides what the
// sanitizers catch, every input is held to what the reader promises: it
// fills the fields in file order and stops at the first failing item, takes
// the path from the file's own bytes, gives the same answer twice, and
// whatever it read, written out again, reads back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "options/OptionsFile.h"

namespace {

using pellmora::OptionSet;
using pellmora::ReadError;

// Two starting sets that differ in every field, so a field the reader did
// not write shows up as still holding its own start value.
const OptionSet kStartA{.strJunoPath = "start A", .bytAutoRun = 11, .bytDeleteAds = 12, .bytRunJuno = 13,
                        .bytClosePellmora = 14};
const OptionSet kStartB{.strJunoPath = "start B", .bytAutoRun = 21, .bytDeleteAds = 22, .bytRunJuno = 23,
                        .bytClosePellmora = 24};

void require(bool holds) {
    if (!holds) std::abort();
}

// Field i of the set in file order: 0 the path, 1 to 4 the options.
bool fieldEqual(const OptionSet& x, const OptionSet& y, int i) {
    switch (i) {
    case 0: return x.strJunoPath == y.strJunoPath;
    case 1: return x.bytAutoRun == y.bytAutoRun;
    case 2: return x.bytDeleteAds == y.bytDeleteAds;
    case 3: return x.bytRunJuno == y.bytRunJuno;
    default: return x.bytClosePellmora == y.bytClosePellmora;
    }
}

// How many fields, from the first, the reader wrote: those agree between
// the two reads, the rest still hold their start values.
int fieldsWritten(const OptionSet& a, const OptionSet& b) {
    int written = 0;
    while (written < 5 && fieldEqual(a, b, written) && !(fieldEqual(a, kStartA, written) && fieldEqual(b, kStartB, written)))
        ++written;
    for (int i = written; i < 5; ++i) require(fieldEqual(a, kStartA, i) && fieldEqual(b, kStartB, i));
    return written;
}

std::string fileOf(const OptionSet& set) {
    std::string text;
    for (const std::string& line : pellmora::optionLines(set)) text += line + "\r\n";
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    OptionSet a = kStartA;
    OptionSet b = kStartB;
    const ReadError errorA = pellmora::readOptionItems(text, a);
    const ReadError errorB = pellmora::readOptionItems(text, b);
    require(errorA == errorB);
    require(errorA == ReadError::None || errorA == ReadError::PastEnd || errorA == ReadError::OutOfRange);

    const int written = fieldsWritten(a, b);
    require((errorA == ReadError::None) == (written == 5));
    // An option out of range is only found after the path has been read.
    if (errorA == ReadError::OutOfRange) require(written >= 1);
    if (written >= 1) require(text.find(a.strJunoPath) != std::string_view::npos);

    OptionSet again = kStartA;
    require(pellmora::readOptionItems(text, again) == errorA && again == a);

    if (errorA == ReadError::None && pellmora::isWritablePath(a.strJunoPath)) {
        OptionSet back;
        require(pellmora::readOptionItems(fileOf(a), back) == ReadError::None);
        require(back == a);
    }
    return 0;
}
