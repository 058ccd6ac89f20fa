#include "component/TaggedValue.h"

#include "shared/Failure.h"

namespace hivetidy {

std::string TaggedValue::ToText() const
{
    switch (Tag()) {
    case ValueTag::Text:
        return std::get<std::string>(m_data);
    case ValueTag::Whole:
        return std::to_string(std::get<std::int32_t>(m_data));
    case ValueTag::Truth:
        return std::get<bool>(m_data) ? "True" : "False";
    case ValueTag::Other:
        break;
    }
    throw Failure("value cannot be converted to text");
}

std::int32_t TaggedValue::ToWhole() const
{
    if (Tag() != ValueTag::Whole) {
        throw Failure("value is not a whole number");
    }
    return std::get<std::int32_t>(m_data);
}

} // namespace hivetidy
