// The manufacturing code tables of Bitzer compressor serial numbers.
//
// Every text here is a canonical value: the decoder writes it into a result
// unchanged and the Russian rendering recognises it by whole-text equality,
// so spaces, capitals and punctuation matter (code 4's company name ends in
// a space on purpose). The row texts of the original tables ("01:21:...")
// are held already split, so a decode never splits or allocates.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kavrel {

inline constexpr std::string_view NotUsed = "It is not used";

struct PlantRow {
    int code;
    std::string_view strana;    // country and city
    std::string_view zavod;     // manufacturing company
    std::string_view dataKoda;  // whether the code is valid till or since 1 September 2003
};

inline constexpr std::string_view TillSept2003 = "Till September, 1st, 2003";
inline constexpr std::string_view SinceSept2003 = "Since September, 1st, 2003";
inline constexpr std::string_view BitzerGmbH = "Bitzer Kuhlmaschinenbau GmbH";

// Eight-digit numbers: plant code = first character. Rows are tested in this order.
inline constexpr std::array<PlantRow, 10> PlantTable8{{
    {1, "Deutschland, Sindelfingen", BitzerGmbH, TillSept2003},
    {2, "Portugal", "Bitzer Compressores para Frio, S.A.", TillSept2003},
    {3, "Brazil, San Paulo", "Bitzer Compressores LTDA", TillSept2003},
    {4, "China (new)", "Bitzer Compressores Beijing ", TillSept2003},
    {5, NotUsed, NotUsed, NotUsed},
    {6, "Deutschland, Schkeuditz", BitzerGmbH, TillSept2003},
    {7, "China (old)", "Bitzer Refrigeration Equipment Co. Ltd. Beijing", TillSept2003},
    {8, "Republic of South Africa, Cape Town", "BITZER SA PTY., Yucon Coil - Division", TillSept2003},
    {9, "Italy", "Bitzer Italia S.r.l.", TillSept2003},
    {0, NotUsed, NotUsed, NotUsed},
}};

// Ten-digit numbers: plant code = first two characters.
inline constexpr std::array<PlantRow, 10> PlantTable10{{
    {10, "Deutschland, Rottenburg", BitzerGmbH, SinceSept2003},
    {11, "Deutschland, Hailfingen", BitzerGmbH, SinceSept2003},
    {12, "Portugal, Castelo Branco", "Bitzer Compressores para Frio, S.A.", SinceSept2003},
    {13, "Brazil, San Paulo", "Bitzer Compressores LTDA", SinceSept2003},
    {15, "Great Britain, Grays", "Bitzer UK L.P.", SinceSept2003},
    {16, "Deutschland, Schkeuditz", BitzerGmbH, SinceSept2003},
    {17, "China (old)", "Bitzer Refrigeration Equipment Co. Ltd. Beijing", SinceSept2003},
    {18, "Republic of South Africa, Cape Town", "Bitzer Kuhlmaschinenbau S.A. (Pty.) Ltd., South Africa", SinceSept2003},
    {20, "China (new)", "Bitzer Compressores Beijing Ltd. China", SinceSept2003},
    {25, "The USA, Oakwood", "Bitzer US, Inc.", SinceSept2003},
}};

// Row m is month m. Column c (0-based here) holds the month's code in the
// (c+1)-th year of a five-year group; that column is the year position.
struct MonthRow {
    std::array<std::string_view, 5> codes;
    std::string_view name;
};

inline constexpr std::array<MonthRow, 12> MonthTable{{
    {{"01", "21", "41", "61", "81"}, "January"},
    {{"02", "22", "42", "62", "82"}, "February"},
    {{"03", "23", "43", "63", "83"}, "March"},
    {{"04", "24", "44", "64", "84"}, "April"},
    {{"05", "25", "45", "65", "85"}, "May"},
    {{"06", "26", "46", "66", "86"}, "June"},
    {{"07", "27", "47", "67", "87"}, "July"},
    {{"08", "28", "48", "68", "88"}, "August"},
    {{"09", "29", "49", "69", "89"}, "September"},
    {{"10", "30", "50", "70", "90"}, "October"},
    {{"11", "31", "51", "71", "91"}, "November"},
    {{"12", "32", "52", "72", "92"}, "December"},
}};

// Five consecutive years and the year-group digit that names them.
struct YearRow {
    std::array<std::string_view, 5> years;
    char digit;
};

inline constexpr std::array<YearRow, 6> YearTable8{{
    {{"1976", "1977", "1978", "1979", "1980"}, '1'},
    {{"1981", "1982", "1983", "1984", "1985"}, '2'},
    {{"1986", "1987", "1988", "1989", "1990"}, '3'},
    {{"1991", "1992", "1993", "1994", "1995"}, '4'},
    {{"1996", "1997", "1998", "1999", "2000"}, '5'},
    {{"2001", "2002", "2003", "2004", "2005"}, '6'},
}};

inline constexpr std::array<YearRow, 4> YearTable10{{
    {{"2001", "2002", "2003", "2004", "2005"}, '6'},
    {{"2006", "2007", "2008", "2009", "2010"}, '7'},
    {{"2011", "2012", "2013", "2014", "2015"}, '8'},
    {{"2016", "2017", "2018", "2019", "2020"}, '9'},
}};

}  // namespace kavrel
