#pragma once
#include <array>
#include <string>

namespace tessaly {

// One harvested ad: eight text fields in the order of the results columns.
struct LeadRecord {
    std::string Category;
    std::string Location;
    std::string Headline;
    std::string Description;
    std::string Emails;
    std::string Phones;
    std::string DatePosted;
    std::string DetailsUrl;

    void Clear() { *this = LeadRecord{}; }
    std::array<std::string, 8> Fields() const {
        return {Category, Location, Headline, Description, Emails, Phones, DatePosted, DetailsUrl};
    }
};

// Column captions of the results list, in field order.
inline constexpr std::array<const char*, 8> kLeadColumnCaptions = {
    "Category", "Location", "Headline", "Description", "Emails", "Phones", "Date Posted", "Details URL"};

} // namespace tessaly
