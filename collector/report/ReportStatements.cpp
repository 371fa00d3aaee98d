#include "ReportStatements.h"

namespace vorenta {

Statement PagesStatement(bool byCustomer)
{
    return byCustomer ? Statement::PagesOfMonthOfCustomer : Statement::PagesOfMonth;
}

Statement SuppliesStatement(bool byCustomer, bool below)
{
    if (below)
        return byCustomer ? Statement::SuppliesOfCustomerBelow : Statement::SuppliesBelow;
    return byCustomer ? Statement::SuppliesOfCustomer : Statement::Supplies;
}

} // namespace vorenta
