// The form registry: first name of a class wins, first class of a name wins, case-blind lookup.
#include "records/FormRegistry.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Stand-ins for registered forms; each test uses its own types, as registrations stay.
struct SelectionForm : QObject {};
struct SecondForm : QObject {};
struct ThirdForm : QObject {};
struct SharedNameA : QObject {};
struct SharedNameB : QObject {};

} // namespace

TEST(FormRegistry, ALookupIgnoresLetterCaseAndMakesTheRegisteredClass)
{
    records::RegisterSyoriForm<SelectionForm>("XvDataSenkaku");
    for (const char* asked : {"XvDataSenkaku", "xvdatasenkaku", "XVDATASENKAKU"}) {
        const int at = records::FindSyoriForm(asked);
        ASSERT_GE(at, 0) << asked;
        EXPECT_EQ(records::SyoriFormClassAt(at), std::type_index(typeid(SelectionForm))) << asked;
        std::unique_ptr<QObject> form(records::SyoriFormAt(at)());
        EXPECT_NE(dynamic_cast<SelectionForm*>(form.get()), nullptr) << asked;
    }
    EXPECT_EQ(records::FindSyoriForm("XvKihonWiz"), -1) << "never registered";
    EXPECT_EQ(records::FindSyoriForm(""), -1);
}

TEST(FormRegistry, AClassRegisteredTwiceKeepsItsFirstName)
{
    records::RegisterSyoriForm<SecondForm>("FirstName");
    records::RegisterSyoriForm<SecondForm>("OtherName");
    const int at = records::FindSyoriForm("firstname");
    ASSERT_GE(at, 0);
    EXPECT_EQ(records::SyoriFormClassAt(at), std::type_index(typeid(SecondForm)));
    EXPECT_EQ(records::FindSyoriForm("OtherName"), -1);

    // A later class may still take the name the first registration did not keep.
    records::RegisterSyoriForm<ThirdForm>("OtherName");
    const int other = records::FindSyoriForm("OtherName");
    ASSERT_GE(other, 0);
    EXPECT_EQ(records::SyoriFormClassAt(other), std::type_index(typeid(ThirdForm)));
}

TEST(FormRegistry, TwoClassesUnderOneNameFindTheFirst)
{
    records::RegisterSyoriForm<SharedNameA>("SameName");
    records::RegisterSyoriForm<SharedNameB>("samename");
    const int at = records::FindSyoriForm("SAMENAME");
    ASSERT_GE(at, 0);
    EXPECT_EQ(records::SyoriFormClassAt(at), std::type_index(typeid(SharedNameA)));
    std::unique_ptr<QObject> form(records::SyoriFormAt(at)());
    EXPECT_NE(dynamic_cast<SharedNameA*>(form.get()), nullptr);
}

TEST(FormRegistry, APositionOutsideTheListIsRefused)
{
    EXPECT_THROW(records::SyoriFormAt(-1), std::out_of_range);
    EXPECT_THROW(records::SyoriFormAt(1 << 20), std::out_of_range);
}
