// The aliases of the tables the report reads and the tags it orders them by,
// for the program and for the installation check that retraces it.
#ifndef KX_APP_TABLE_NAMES_H_
#define KX_APP_TABLE_NAMES_H_

namespace kx::table_names {

inline constexpr const char* kLocation = "KELVARO";
inline constexpr const char* kControl = "M_KONTRO";
inline constexpr const char* kCurrencies = "M_MAUANG";
inline constexpr const char* kRates = "M_KURSMA";
inline constexpr const char* kCurrencyTag = "ID";  // on kCurrencies
inline constexpr const char* kRateTag = "MU_TGL";  // on kRates

}  // namespace kx::table_names

#endif  // KX_APP_TABLE_NAMES_H_
