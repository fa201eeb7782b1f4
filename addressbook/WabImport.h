// The import of the contacts of a Windows Address Book file (".wab") into the address table.
// The rows of the contents table come from a contact source; this system has no library that
// reads such files, so the program's source reports that it is unavailable, and tests give
// sources of their own.
#pragma once

#include "addressbook/Exchange.h"
#include "platform/rtl/FormatSettings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvz {

// Property types: the low 16 bits of a property tag.
enum WabPropType : uint16_t {
    PT_I2 = 2,
    PT_LONG = 3,
    PT_R4 = 4,
    PT_DOUBLE = 5,
    PT_ERROR = 10,
    PT_BOOLEAN = 11,
    PT_STRING8 = 30,
    PT_SYSTIME = 64,
    PT_BINARY = 258,
};

// One property value of a contents row; the member its type uses is set.
struct WabPropValue {
    uint32_t Tag = 0;
    int64_t Integer = 0;   // PT_I2, PT_LONG, PT_BOOLEAN, PT_ERROR
    double Real = 0;       // PT_R4, PT_DOUBLE
    uint64_t FileTime = 0; // PT_SYSTIME: 100 ns units since 1 January 1601 (UTC)
    std::string Bytes;     // PT_STRING8 (in UTF-8), PT_BINARY
};

// The columns asked of the contents table, in this order.
inline constexpr uint32_t kWabColumns[] = {
    0x0FFF0102, // PR_ENTRYID
    0x0FFE0003, // PR_OBJECT_TYPE
    0x3A16001E, // PR_COMPANY_NAME
    0x3A06001E, // PR_GIVEN_NAME
    0x3A11001E, // PR_SURNAME
    0x3A08001E, // PR_BUSINESS_TELEPHONE_NUMBER
    0x3A09001E, // PR_HOME_TELEPHONE_NUMBER
    0x3A1C001E, // PR_MOBILE_TELEPHONE_NUMBER
    0x3A24001E, // PR_BUSINESS_FAX_NUMBER
    0x3003001E, // PR_EMAIL_ADDRESS
    0x3A17001E, // PR_TITLE
    0x3A29001E, // PR_STREET_ADDRESS
    0x3A27001E, // PR_LOCALITY
    0x3A2A001E, // PR_POSTAL_CODE
    0x3A5D001E, // PR_HOME_ADDRESS_STREET
    0x3A59001E, // PR_HOME_ADDRESS_CITY
    0x3A5B001E, // PR_HOME_ADDRESS_POSTAL_CODE
    0x3004001E, // PR_COMMENT
    0x3A18001E, // PR_DEPARTMENT_NAME
    0x3A19001E, // PR_OFFICE_LOCATION
    0x3A21001E, // PR_PAGER_TELEPHONE_NUMBER
    0x3A51001E, // PR_BUSINESS_HOME_PAGE
    0x3A48001E, // PR_SPOUSE_NAME
};
inline constexpr size_t kWabColumnCount = sizeof kWabColumns / sizeof kWabColumns[0];

// The text of one value by its type; numbers and times in the settings' format.
std::string WabPropToText(const WabPropValue& value, const FormatSettings& settings);

class WabContactSource {
public:
    virtual ~WabContactSource() = default;
    // Opens the address book file; throws when it cannot.
    virtual void Open(const std::filesystem::path& file) = 0;
    // The next row of the contents table, the columns of kWabColumns in order; false at the end.
    virtual bool NextRow(std::vector<WabPropValue>& columns) = 0;
};

// The source of this system: no library reads Windows Address Book files here.
class UnavailableWabSource : public WabContactSource {
public:
    void Open(const std::filesystem::path& file) override;
    bool NextRow(std::vector<WabPropValue>&) override { return false; }
};

// Fills an address row from a contents row (User "WAB").
void FillWabAddress(TDataSet& row, const std::vector<WabPropValue>& columns, const FormatSettings& settings);
// Opens the file and reads its contacts (people and distribution lists), then replaces the
// address rows of the previous import (User "WAB") by them in one change, in network mode
// under the address lock: a source that fails leaves the addresses as they were. Returns the
// number of contacts imported.
int ImportWabContacts(ExchangeContext& context, WabContactSource& source, const std::filesystem::path& file);

// Where the address book usually is.
std::filesystem::path DefaultWabFile();
// The import dialog's run: the usual file; when that fails, message 4 and a file the user
// picks (none: nothing more). A failure of the picked file passes on. Returns the number
// imported, none when nothing was.
std::optional<int> ReadWabFile(ExchangeContext& context, WabContactSource& source,
                               const std::function<void(const std::string& message)>& showMessage,
                               const std::function<std::optional<std::filesystem::path>()>& pickFile);

} // namespace kvz
