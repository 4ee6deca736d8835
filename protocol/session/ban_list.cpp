#include "protocol/session/ban_list.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace quorvex::session {
namespace {

template <typename Number>
std::optional<Number> WholeNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Escape(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == '%' || byte == 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        const char* from = text.data() + i + 1;
        if (i + 2 >= text.size() || std::from_chars(from, from + 2, value, 16).ptr != from + 2) {
            return std::nullopt;
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;) {
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

}  // namespace

int BanList::Add(std::optional<AddressKey> address, std::string name, std::int64_t untilMs) {
    if (!address && name.empty()) {
        return 0;
    }
    bans_.push_back({nextId_, address, std::move(name), untilMs});
    return nextId_++;
}

int BanList::Unban(std::string_view what) {
    const auto matches = [&](auto&& rule) { return static_cast<int>(std::erase_if(bans_, rule)); };
    if (const auto id = WholeNumber<int>(what)) {
        if (const int lifted = matches([&](const Ban& b) { return b.id == *id; })) {
            return lifted;
        }
    }
    if (const auto key = ParseAddressKey(what)) {
        if (const int lifted = matches([&](const Ban& b) { return b.address == key; })) {
            return lifted;
        }
    }
    return matches([&](const Ban& b) { return !b.name.empty() && b.name == what; });
}

std::optional<Ban> BanList::Refusing(const AddressKey& address, const std::string& name,
                                     std::int64_t nowMs) const {
    for (const Ban& ban : bans_) {
        const bool byAddress = ban.address == address && !IsThisMachine(address);
        const bool byName = !ban.name.empty() && ban.name == name;
        if (nowMs < ban.untilMs && (byAddress || byName)) {
            return ban;
        }
    }
    return std::nullopt;
}

std::vector<Ban> BanList::List(std::int64_t nowMs) {
    Expire(nowMs);
    return bans_;
}

void BanList::Expire(std::int64_t nowMs) {
    std::erase_if(bans_, [&](const Ban& b) { return nowMs >= b.untilMs; });
}

std::string BanList::Save() const {
    std::string text;
    for (const Ban& ban : bans_) {
        text += std::to_string(ban.id) + '\t' + (ban.address ? ToString(*ban.address) : "-") +
                '\t' + std::to_string(ban.untilMs) + '\t' + Escape(ban.name) + '\n';
    }
    return text;
}

std::size_t BanList::Load(std::string_view text, std::vector<std::string>* errors) {
    std::size_t added = 0;
    int number = 0;
    const auto fail = [&](const std::string& why) {
        if (errors != nullptr) {
            errors->push_back("line " + std::to_string(number) + ": " + why);
        }
    };
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty()) {
            continue;
        }
        const auto fields = Fields(line);
        if (fields.size() != 4) {
            fail("not four fields separated by tabs");
            continue;
        }
        const auto id = WholeNumber<int>(fields[0]);
        const auto address =
            fields[1] == "-" ? std::optional<AddressKey>{} : ParseAddressKey(fields[1]);
        const auto until = WholeNumber<std::int64_t>(fields[2]);
        const auto name = Unescape(fields[3]);
        if (!id || *id <= 0 || *id == std::numeric_limits<int>::max() ||
            (!address && fields[1] != "-") || !until || !name || (!address && name->empty())) {
            fail("not a ban");
            continue;
        }
        if (std::any_of(bans_.begin(), bans_.end(), [&](const Ban& b) { return b.id == *id; })) {
            fail("ban " + std::to_string(*id) + " is there already");
            continue;
        }
        bans_.push_back({*id, address, *name, *until});
        nextId_ = std::max(nextId_, *id + 1);
        ++added;
    }
    std::sort(bans_.begin(), bans_.end(), [](const Ban& a, const Ban& b) { return a.id < b.id; });
    return added;
}

}  // namespace quorvex::session
