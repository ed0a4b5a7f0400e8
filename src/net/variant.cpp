#include "net/variant.h"

#include <algorithm>
#include <cstring>

#include "common/number.h"
#include "platform/ansi.h"

namespace vantorel {
namespace {

template <typename T>
void AppendLittleEndian(std::vector<std::uint8_t>& out, T value) {
    // Both targets are little-endian, so the value's memory is already the wire form.
    const std::size_t start = out.size();
    out.resize(start + sizeof(T));
    std::memcpy(out.data() + start, &value, sizeof(T));
}

template <typename T>
T ReadLittleEndian(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t raw[sizeof(T)] = {};
    std::memcpy(raw, bytes.data(), std::min(bytes.size(), sizeof(T)));
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
}

}  // namespace

std::optional<double> Variant::AsNumber() const {
    switch (type_) {
        case VarType::kInteger: return AsInteger();
        case VarType::kLong: return AsLong();
        case VarType::kSingle: return AsSingle();
        case VarType::kDouble:
        case VarType::kDate: return AsDouble();
        case VarType::kCurrency: return static_cast<double>(AsCurrency()) / 10000.0;
        case VarType::kBoolean: return AsBoolean() ? -1.0 : 0.0;
        case VarType::kByte: return AsByte();
        case VarType::kString: return ParseDecimal(AsString());
        default: return std::nullopt;
    }
}

std::vector<std::uint8_t> VariantToBytes(const Variant& value) {
    std::vector<std::uint8_t> bytes;
    switch (value.Type()) {
        case VarType::kInteger: AppendLittleEndian(bytes, value.AsInteger()); break;
        case VarType::kLong: AppendLittleEndian(bytes, value.AsLong()); break;
        case VarType::kSingle: AppendLittleEndian(bytes, value.AsSingle()); break;
        case VarType::kDouble:
        case VarType::kDate: AppendLittleEndian(bytes, value.AsDouble()); break;
        case VarType::kCurrency: AppendLittleEndian(bytes, value.AsCurrency()); break;
        case VarType::kBoolean: AppendLittleEndian(bytes, static_cast<std::int16_t>(value.AsBoolean() ? -1 : 0)); break;
        case VarType::kByte: bytes.push_back(value.AsByte()); break;
        case VarType::kByteArray: bytes = value.AsBytes(); break;
        case VarType::kString: {
            const std::string text = platform::Utf8ToAnsi(value.AsString());
            bytes.assign(text.begin(), text.end());
            break;
        }
        default: break;
    }
    return bytes;
}

bool VariantFromBytes(std::int32_t typeCode, const std::vector<std::uint8_t>& bytes, Variant* value) {
    switch (static_cast<VarType>(typeCode)) {
        case VarType::kByteArray: *value = Variant::Bytes(bytes); return true;
        case VarType::kBoolean: *value = Variant::Boolean(ReadLittleEndian<std::int16_t>(bytes) != 0); return true;
        case VarType::kByte: *value = Variant::Byte(ReadLittleEndian<std::uint8_t>(bytes)); return true;
        case VarType::kCurrency: *value = Variant::Currency(ReadLittleEndian<std::int64_t>(bytes)); return true;
        case VarType::kDate: *value = Variant::Date(ReadLittleEndian<double>(bytes)); return true;
        case VarType::kDouble: *value = Variant::Double(ReadLittleEndian<double>(bytes)); return true;
        case VarType::kInteger: *value = Variant::Integer(ReadLittleEndian<std::int16_t>(bytes)); return true;
        case VarType::kLong: *value = Variant::Long(ReadLittleEndian<std::int32_t>(bytes)); return true;
        case VarType::kSingle: *value = Variant::Single(ReadLittleEndian<float>(bytes)); return true;
        case VarType::kString: {
            *value = Variant::String(platform::AnsiToUtf8(std::string(bytes.begin(), bytes.end())));
            return true;
        }
        default: return false;
    }
}

}  // namespace vantorel
