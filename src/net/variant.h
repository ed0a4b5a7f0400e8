#pragma once
// A tagged value carrying an OLE Automation type code, as the socket object's data methods
// take and give them, with a marker for an optional parameter that the caller left out.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vantorel {

enum class VarType : std::int32_t {
    kEmpty = 0,
    kNull = 1,
    kInteger = 2,
    kLong = 3,
    kSingle = 4,
    kDouble = 5,
    kCurrency = 6,
    kDate = 7,
    kString = 8,
    kObject = 9,
    kError = 10,
    kBoolean = 11,
    kByte = 17,
    kByteArray = 8209,  // array (8192) of byte (17)
};

class Variant {
  public:
    Variant() = default;  // empty

    static Variant Null() { return Variant(VarType::kNull, std::monostate{}); }
    static Variant Integer(std::int16_t value) { return Variant(VarType::kInteger, value); }
    static Variant Long(std::int32_t value) { return Variant(VarType::kLong, value); }
    static Variant Single(float value) { return Variant(VarType::kSingle, value); }
    static Variant Double(double value) { return Variant(VarType::kDouble, value); }
    // Currency holds the value times 10,000.
    static Variant Currency(std::int64_t scaled) { return Variant(VarType::kCurrency, scaled); }
    // Days since 30 December 1899, the fraction being the time of day.
    static Variant Date(double days) { return Variant(VarType::kDate, days); }
    static Variant String(std::string text) { return Variant(VarType::kString, std::move(text)); }
    static Variant Object() { return Variant(VarType::kObject, std::monostate{}); }
    static Variant Error(std::int32_t code) { return Variant(VarType::kError, code); }
    static Variant Boolean(bool value) { return Variant(VarType::kBoolean, value); }
    static Variant Byte(std::uint8_t value) { return Variant(VarType::kByte, value); }
    static Variant Bytes(std::vector<std::uint8_t> bytes) { return Variant(VarType::kByteArray, std::move(bytes)); }
    // An optional parameter left out.
    static Variant Missing() { return Variant(VarType::kError, kParamNotFound); }

    VarType Type() const { return type_; }
    bool IsMissing() const { return type_ == VarType::kError && std::get<std::int32_t>(value_) == kParamNotFound; }
    bool IsEmpty() const { return type_ == VarType::kEmpty; }

    // The value as a number, where it has one (numbers, booleans, and texts that read as
    // a decimal number); nothing otherwise.
    std::optional<double> AsNumber() const;

    std::int16_t AsInteger() const { return std::get<std::int16_t>(value_); }
    std::int32_t AsLong() const { return std::get<std::int32_t>(value_); }
    float AsSingle() const { return std::get<float>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    std::int64_t AsCurrency() const { return std::get<std::int64_t>(value_); }
    const std::string& AsString() const { return std::get<std::string>(value_); }
    bool AsBoolean() const { return std::get<bool>(value_); }
    std::uint8_t AsByte() const { return std::get<std::uint8_t>(value_); }
    const std::vector<std::uint8_t>& AsBytes() const { return std::get<std::vector<std::uint8_t>>(value_); }

    bool operator==(const Variant& other) const = default;

    // DISP_E_PARAMNOTFOUND, the error value that stands for a parameter left out.
    static constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);

  private:
    using Value = std::variant<std::monostate, std::int16_t, std::int32_t, float, double, std::int64_t, std::string,
                               bool, std::uint8_t, std::vector<std::uint8_t>>;
    Variant(VarType type, Value value) : type_(type), value_(std::move(value)) {}

    VarType type_ = VarType::kEmpty;
    Value value_;
};

// The bytes that go on the wire for a value (little-endian, texts in the 8-bit code page);
// none for types without a byte form.
std::vector<std::uint8_t> VariantToBytes(const Variant& value);

// A value of the given type code made from received bytes. Numbers take their bytes from
// the front and read missing high bytes as zeros; false for codes that have no byte form.
bool VariantFromBytes(std::int32_t typeCode, const std::vector<std::uint8_t>& bytes, Variant* value);

}  // namespace vantorel
