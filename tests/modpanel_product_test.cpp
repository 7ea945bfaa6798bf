// The panel's choice of product among the installed ones. Records installed
// products, so it runs apart from everything else that enumerates them.
#include <gtest/gtest.h>

#include "InstalledProducts.h"
#include "Modpanel.h"
#include "ProductCatalogue.h"

namespace
{

class ProductChoice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Start from no installed product of group 4.
        DWORD ids[255];
        int count = EnumerateProducts(4, ids, 255);
        for (int i = 0; i < count && i < 255; ++i)
            RemoveInstalledProduct(ids[i]);
    }
    void TearDown() override
    {
        for (DWORD id : recorded)
            RemoveInstalledProduct(id);
    }
    void Install(DWORD id)
    {
        ASSERT_TRUE(RecordInstalledProduct(id, "TEST-0000"));
        recorded.push_back(id);
    }
    std::vector<DWORD> recorded;
};

TEST_F(ProductChoice, WithoutGroupFourProductItIsSeventeen)
{
    Install(12);    // installed, but of group 11
    g_dwProduct = 0;
    ChooseProduct(FALSE);
    EXPECT_EQ(17u, g_dwProduct);
    EXPECT_EQ(4, g_nProductGroup);
}

TEST_F(ProductChoice, FirstInstalledGroupFourProductInCatalogueOrder)
{
    Install(83);
    Install(44);
    g_dwProduct = 0;
    ChooseProduct(FALSE);
    EXPECT_EQ(44u, g_dwProduct);
    EXPECT_EQ(4, g_nProductGroup);
}

TEST_F(ProductChoice, NamedProductKeepsItsOwnGroup)
{
    Install(26);    // would be the default
    g_dwProduct = 12;
    ChooseProduct(TRUE);
    EXPECT_EQ(12u, g_dwProduct);
    EXPECT_EQ(11, g_nProductGroup);
}

} // namespace
