#pragma once
// Reads the fields of a received message that may not have arrived whole: every read says
// whether the bytes were there, so that a decoder can wait for more and start the unit
// again.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantorel::browse {

enum class Parse {
    kDone,      // the unit is whole
    kNeedMore,  // the unit goes on past the bytes received
    kBad,       // the unit breaks the protocol or a limit
};

class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Position() const { return at_; }
    std::size_t Left() const { return bytes_.size() - at_; }

    bool U8(std::uint8_t& value) {
        if (Left() < 1) {
            return false;
        }
        value = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool U16BigEndian(std::uint16_t& value) {
        if (Left() < 2) {
            return false;
        }
        value = static_cast<std::uint16_t>(Byte(at_) << 8 | Byte(at_ + 1));
        at_ += 2;
        return true;
    }
    bool U32BigEndian(std::uint32_t& value) {
        if (Left() < 4) {
            return false;
        }
        value = static_cast<std::uint32_t>(Byte(at_)) << 24 | static_cast<std::uint32_t>(Byte(at_ + 1)) << 16 |
                static_cast<std::uint32_t>(Byte(at_ + 2)) << 8 | Byte(at_ + 3);
        at_ += 4;
        return true;
    }
    bool Bytes(std::size_t count, std::string_view& value) {
        if (Left() < count) {
            return false;
        }
        value = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    // A NUL-terminated text of at most `longest` bytes (the NUL not counted). A text that
    // has gone past `longest` without its NUL is bad even before the rest arrives.
    Parse Text(std::size_t longest, std::string_view& value) {
        const std::string_view window = bytes_.substr(at_, longest + 1);
        const std::size_t length = window.find('\0');
        if (length == std::string_view::npos) {
            return window.size() > longest ? Parse::kBad : Parse::kNeedMore;
        }
        value = window.substr(0, length);
        at_ += length + 1;
        return Parse::kDone;
    }

  private:
    unsigned Byte(std::size_t i) const { return static_cast<std::uint8_t>(bytes_[i]); }

    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace vantorel::browse
