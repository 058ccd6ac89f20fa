#pragma once
// A value passed to or from the registry component that carries its type with it.

#include <cstdint>
#include <string>
#include <variant>

namespace hivetidy {

enum class ValueTag { Text, Whole, Truth, Other };

// Text, a 32-bit whole number, a truth value, or "other" for data that is none of these
// (binary data, lists of texts, 64-bit numbers, a value that is not there).
class TaggedValue {
public:
    // Data of no type the program knows; the description is for tests and messages only.
    struct OtherData {
        std::string description;
        bool operator==(const OtherData&) const = default;
    };

    [[nodiscard]] static TaggedValue Text(std::string_view text) { return TaggedValue(std::string(text)); }
    [[nodiscard]] static TaggedValue Whole(std::int32_t number) { return TaggedValue(number); }
    [[nodiscard]] static TaggedValue Truth(bool truth) { return TaggedValue(truth); }
    [[nodiscard]] static TaggedValue Other(std::string description = {}) { return TaggedValue(OtherData{std::move(description)}); }

    [[nodiscard]] ValueTag Tag() const { return static_cast<ValueTag>(m_data.index()); }
    [[nodiscard]] bool IsText() const { return Tag() == ValueTag::Text; }

    // The value converted to text: text as it is, a whole number in decimal, a truth value as
    // "True" or "False". Other data cannot be converted and throws Failure.
    [[nodiscard]] std::string ToText() const;

    // The whole number; throws Failure for any other tag.
    [[nodiscard]] std::int32_t ToWhole() const;

    bool operator==(const TaggedValue&) const = default;

private:
    using Data = std::variant<std::string, std::int32_t, bool, OtherData>;
    explicit TaggedValue(Data data) : m_data(std::move(data)) {}

    Data m_data;
};

} // namespace hivetidy
