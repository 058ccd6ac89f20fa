#include "passes/KeyClaim.h"

#include "passes/Callbacks.h"
#include "passes/ControllerPath.h"
#include "shared/Failure.h"
#include "shared/Text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hivetidy {

namespace {

constexpr std::size_t kMaxProgIdLength = 39;

// The letters of the scripts that registrations are written in, as UTF-16 ranges. Symbols,
// punctuation and the separators of other scripts are outside them.
constexpr std::array<std::pair<char16_t, char16_t>, 20> kLetters{{
    {u'A', u'Z'},         {u'a', u'z'},         {0x00AA, 0x00AA},     {0x00B5, 0x00B5},
    {0x00BA, 0x00BA},     {0x00C0, 0x00D6},     {0x00D8, 0x00F6},     {0x00F8, 0x02AF}, // Latin
    {0x0386, 0x0386},     {0x0388, 0x03FF},                                             // Greek
    {0x0400, 0x0481},     {0x048A, 0x052F},                                             // Cyrillic
    {0x0531, 0x0556},     {0x0561, 0x0587},                                             // Armenian
    {0x05D0, 0x05EA},     {0x0620, 0x064A},                                             // Hebrew, Arabic
    {0x1E00, 0x1FBC},     {0x3041, 0x30FA},                                             // Latin Ext., Kana
    {0x4E00, 0x9FFF},     {0xAC00, 0xD7A3},                                             // CJK, Hangul
}};

bool IsLetter(char16_t c)
{
    return std::any_of(kLetters.begin(), kLetters.end(), [c](const auto& range) { return c >= range.first && c <= range.second; });
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Every text value of the keys below (and of) a key refers into the controller folders or not.
class ControllerPathFinder final : public IUseRegItems {
public:
    explicit ControllerPathFinder(const SharedState& state) : m_state(state) {}

    bool UseNode(RegistryComponent& node, std::int32_t /*iLevel*/) override
    {
        node.WalkItems(*this, 0);
        return false;
    }

    bool UseItem(RegistryItem& item, std::int32_t /*iLevel*/) override
    {
        const TaggedValue value = item.Value();
        m_found = m_found || (value.IsText() && RefersToControllerDir(m_state, value.ToText()));
        return false;
    }

    [[nodiscard]] bool Found() const { return m_found; }

private:
    const SharedState& m_state;
    bool m_found = false;
};

// The file paths of a type library: the values of its <version>\<locale>\win16|win32|win64 keys.
class TypeLibFiles final : public IUseRegItems {
public:
    explicit TypeLibFiles(const SharedState& state) : m_state(state) {}

    bool UseNode(RegistryComponent& node, std::int32_t iLevel) override
    {
        // A key the walk could not read might have been a file elsewhere.
        try {
            const std::string name = node.Name();
            if (iLevel == 3 && (EqualsIgnoreCase(name, "win16") || EqualsIgnoreCase(name, "win32") || EqualsIgnoreCase(name, "win64"))) {
                node.WalkItems(*this, 0);
            }
        } catch (const Failure&) {
            m_unreadable = true;
            throw;
        }
        return false;
    }

    bool UseItem(RegistryItem& item, std::int32_t /*iLevel*/) override
    {
        const TaggedValue value = item.Value();
        if (value.IsText() && RefersToControllerDir(m_state, value.ToText())) {
            m_inside = true;
        } else {
            m_outside = true; // a file elsewhere, or a path that is no text
        }
        return false;
    }

    // What the walk found; whether any value refers into the controller folders is asked apart.
    [[nodiscard]] TypeLibFindings Findings() const { return {m_inside, m_outside, m_unreadable, m_inside}; }

private:
    const SharedState& m_state;
    bool m_inside = false;
    bool m_outside = false;
    bool m_unreadable = false;
};

} // namespace

KeyClaim ClaimOfTypeLib(const TypeLibFindings& found)
{
    if (!found.controllerFile && !found.refersToController) {
        return KeyClaim::Foreign;
    }
    // A key that could not be read may hold anything: only "cannot be judged" is true of it.
    if (found.unreadable) {
        return KeyClaim::Unreadable;
    }
    return found.otherFile ? KeyClaim::Shared : KeyClaim::Controllers;
}

bool HasProgIdForm(std::string_view progId)
{
    const std::u16string text = Utf8ToUtf16(progId);
    if (text.empty() || text.size() > kMaxProgIdLength || !IsLetter(text.front()) || text.find(u'.') == std::u16string::npos) {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char16_t c) {
        return IsLetter(c) || IsDigit(c) || c == u'.' || c == u'_' || c == u'-' || c == u' ';
    });
}

bool IsBracedGuid(std::string_view text)
{
    constexpr std::string_view kPattern = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (text.size() != kPattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (kPattern[i] == 'x' ? !hex : c != kPattern[i]) {
            return false;
        }
    }
    return true;
}

KeyClaims::KeyClaims(RegistryComponentFactory& components, SharedState& state)
    : m_components(components), m_state(state)
{
}

bool KeyClaims::ProgIdKeyNamesClass(const RegLocation& progIdKey, std::string_view classId)
{
    bool names = false;
    SkipOnFailure([&] {
        auto lookup = m_components.Create();
        lookup->OpenKey(progIdKey.hive, TaggedValue::Text(progIdKey.path + "\\CLSID"), progIdKey.view);
        const TaggedValue value = lookup->DefaultValue();
        names = value.IsText() && EqualsIgnoreCase(value.ToText(), classId);
    });
    return names;
}

bool KeyClaims::RefersToControllerDir(const RegLocation& location)
{
    ControllerPathFinder finder(m_state);
    SkipOnFailure([&] {
        auto key = m_components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        key->WalkItems(finder, 0);
        key->WalkTree(finder, *key, 0);
    });
    return finder.Found();
}

KeyClaim KeyClaims::TypeLibClaim(const RegLocation& location)
{
    TypeLibFiles files(m_state);
    const bool walked = SkipOnFailure([&] {
        auto key = m_components.Create();
        key->OpenKey(location.hive, TaggedValue::Text(location.path), location.view);
        key->WalkTree(files, *key, 0);
    });
    TypeLibFindings found = files.Findings();
    found.unreadable = found.unreadable || !walked;
    found.refersToController = found.refersToController || RefersToControllerDir(location);
    return ClaimOfTypeLib(found);
}

} // namespace hivetidy
