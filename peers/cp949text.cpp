#include "peers/cp949text.h"

#include <iconv.h>

#include <cerrno>

namespace znlservice {
namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
    ~Converter() {
        if (m_handle != reinterpret_cast<iconv_t>(-1)) iconv_close(m_handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; on a bad sequence it stops there and reports where.
    bool Convert(std::string_view in, std::string& out, std::size_t& consumed) {
        consumed = 0;
        if (m_handle == reinterpret_cast<iconv_t>(-1)) return false;
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char chunk[256];
        while (inLeft > 0) {
            char* outPtr = chunk;
            std::size_t outLeft = sizeof chunk;
            const std::size_t result = iconv(m_handle, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(chunk, sizeof chunk - outLeft);
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        consumed = in.size() - inLeft;
        return inLeft == 0;
    }

private:
    iconv_t m_handle;
};

}  // namespace

std::optional<std::string> ToCp949(std::string_view utf8) {
    Converter converter("CP949", "UTF-8");
    std::string out;
    std::size_t consumed = 0;
    if (!converter.Convert(utf8, out, consumed)) return std::nullopt;
    return out;
}

std::string WireText(const std::string& utf8) {
    return ToCp949(utf8).value_or(utf8);
}

std::string FromCp949(std::string_view cp949) {
    std::string out;
    while (!cp949.empty()) {
        Converter converter("UTF-8", "CP949");
        std::size_t consumed = 0;
        if (converter.Convert(cp949, out, consumed)) break;
        out += "\xEF\xBF\xBD";
        cp949.remove_prefix(consumed + 1);
    }
    return out;
}

}  // namespace znlservice
