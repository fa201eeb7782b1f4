#include "addressbook/DbfImport.h"
#include "addressbook/OldVersion.h"
#include "addressbook/WabImport.h"

#include "ExchangeTesting.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace kvz {
namespace {

TEST(Placeholder, Builds) {}

} // namespace
} // namespace kvz
