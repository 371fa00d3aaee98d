#pragma once

#include <QLatin1StringView>

#include <array>

// The objects each manufacturer reader asks for, by the keys of the makers' own tables, written out
// digit by digit. The reader tests build their recorded devices and the GETs they expect from these
// and never from the readers' constants, so a digit changed in a reader fails its test instead of
// changing the device with it.
namespace vorenta::test {

namespace HpTable {
inline constexpr QLatin1StringView H1{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.7.0"};
inline constexpr QLatin1StringView H2{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.6.0"};
inline constexpr QLatin1StringView H3{"1.3.6.1.4.1.11.2.3.9.4.2.1.2.2.1.21.0"};
inline constexpr QLatin1StringView H4{"1.3.6.1.2.1.43.17.6.1.5.1.1"};
inline constexpr QLatin1StringView H5{"1.3.6.1.4.1.11.2.3.9.4.2.1.1.16.1.9.0"};
inline constexpr QLatin1StringView H6{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.34.0"};
inline constexpr QLatin1StringView H7{"1.3.6.1.4.1.11.2.3.9.4.2.1.4.1.2.5.0"};
inline constexpr QLatin1StringView H8{"1.3.6.1.4.1.11.2.3.9.4.2.1.1.11.6.3.0"};
} // namespace HpTable

namespace RicohTable {
inline constexpr QLatin1StringView M1{"1.3.6.1.2.1.1.5"};
inline constexpr QLatin1StringView M2{"1.3.6.1.2.1.1.5.0"};
inline constexpr QLatin1StringView M3{"1.3.6.1.4.1.367.3.2.1.7.2.4.10.1.2.1"};
inline constexpr QLatin1StringView M4{"1.3.6.1.4.1.2699.1.2.1.2.1.1.2.1"};
inline constexpr QLatin1StringView M5{"1.3.6.1.4.1.367.3.2.1.1.1.1.0"};
inline constexpr QLatin1StringView C2{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.2"};
inline constexpr QLatin1StringView C3{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.3"};
inline constexpr QLatin1StringView C4{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.4"};
inline constexpr QLatin1StringView C5{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.5"};
inline constexpr QLatin1StringView C7{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.7"};
inline constexpr QLatin1StringView C9{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.9"};
inline constexpr QLatin1StringView C10{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.10"};
inline constexpr QLatin1StringView C11{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.11"};
inline constexpr QLatin1StringView C12{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.12"};
inline constexpr QLatin1StringView C13{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.13"};
inline constexpr QLatin1StringView C14{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.14"};
inline constexpr QLatin1StringView C18{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.18"};
inline constexpr QLatin1StringView C21{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.21"};
inline constexpr QLatin1StringView C22{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.22"};
inline constexpr QLatin1StringView C25{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.25"};
inline constexpr QLatin1StringView C26{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.26"};
inline constexpr QLatin1StringView C27{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.27"};
inline constexpr QLatin1StringView C28{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.28"};
inline constexpr QLatin1StringView C29{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.29"};
inline constexpr QLatin1StringView C30{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.30"};
inline constexpr QLatin1StringView C40{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.40"};
inline constexpr QLatin1StringView C46{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.46"};
inline constexpr QLatin1StringView C63{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.63"};
inline constexpr QLatin1StringView C64{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.64"};
inline constexpr QLatin1StringView C66{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.66"};
inline constexpr QLatin1StringView C71{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.71"};
inline constexpr QLatin1StringView C72{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.72"};
inline constexpr QLatin1StringView C73{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.73"};
inline constexpr QLatin1StringView C74{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.74"};
inline constexpr QLatin1StringView C75{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.9.75"};
inline constexpr QLatin1StringView S16{"1.3.6.1.4.1.367.3.2.1.2.19.5.1.5.16"};
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"};
inline constexpr QLatin1StringView P2{"1.3.6.1.2.1.43.10.2.1.5.1.1"};
inline constexpr QLatin1StringView P3{"1.3.6.1.2.1.43.13.4.1.4.1.1"};
inline constexpr QLatin1StringView P4{"1.3.6.1.2.1.43.5.1.1.17.1"};
inline constexpr QLatin1StringView RD1{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.1"};
inline constexpr QLatin1StringView RD2{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.2"};
inline constexpr QLatin1StringView RD3{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.3"};
inline constexpr QLatin1StringView RD4{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.2.4"};
inline constexpr QLatin1StringView RL1{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.1"};
inline constexpr QLatin1StringView RL2{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.2"};
inline constexpr QLatin1StringView RL3{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.3"};
inline constexpr QLatin1StringView RL4{"1.3.6.1.4.1.367.3.2.1.2.24.1.1.5.4"};
inline constexpr QLatin1StringView PD1{"1.3.6.1.2.1.43.11.1.1.6.1.1"};
inline constexpr QLatin1StringView PD3{"1.3.6.1.2.1.43.11.1.1.6.1.3"};
inline constexpr QLatin1StringView PD4{"1.3.6.1.2.1.43.11.1.1.6.1.4"};
inline constexpr QLatin1StringView PD5{"1.3.6.1.2.1.43.11.1.1.6.1.5"};
inline constexpr QLatin1StringView PL1{"1.3.6.1.2.1.43.11.1.1.9.1.1"};
inline constexpr QLatin1StringView PL3{"1.3.6.1.2.1.43.11.1.1.9.1.3"};
inline constexpr QLatin1StringView PL4{"1.3.6.1.2.1.43.11.1.1.9.1.4"};
inline constexpr QLatin1StringView PL5{"1.3.6.1.2.1.43.11.1.1.9.1.5"};
} // namespace RicohTable

namespace KyoceraTable {
inline constexpr QLatin1StringView K1{"1.3.6.1.4.1.1347.43.18.2.1.2.1.1"};
inline constexpr QLatin1StringView K2{"1.3.6.1.4.1.1347.43.10.1.1.12.1.1"};
inline constexpr QLatin1StringView K3{"1.3.6.1.4.1.1347.46.10.1.1.5.3"};
inline constexpr QLatin1StringView K4{"1.3.6.1.4.1.1347.42.3.1.3.1.1.2"};
inline constexpr QLatin1StringView K5{"1.3.6.1.4.1.1347.42.3.1.4.1.1.1"};
inline constexpr QLatin1StringView K6{"1.3.6.1.4.1.1347.42.3.1.1.1.1.4"};
inline constexpr QLatin1StringView K7{"1.3.6.1.4.1.1347.42.3.1.2.1.1.2.2"};
inline constexpr QLatin1StringView K8{"1.3.6.1.4.1.1347.42.3.1.2.1.1.1.2"};
inline constexpr QLatin1StringView K9{"1.3.6.1.4.1.1347.42.2.1.1.1.6.1.1"};
inline constexpr QLatin1StringView K10{"1.3.6.1.4.1.1347.42.2.1.1.1.6.1.3"};
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"};
} // namespace KyoceraTable

namespace OkiTable {
inline constexpr QLatin1StringView O1{"1.3.6.1.2.1.43.16.5.1.2.1.1"};
inline constexpr QLatin1StringView O2{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.135.0"};
inline constexpr QLatin1StringView O3{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.6.102"};
inline constexpr QLatin1StringView O4{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.3.3"};
inline constexpr QLatin1StringView O5{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.3.4"};
inline constexpr QLatin1StringView O6{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.4"};
inline constexpr QLatin1StringView O7{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.3"};
inline constexpr QLatin1StringView O8{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.24.1"};
inline constexpr QLatin1StringView O9{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.7.1"};
inline constexpr QLatin1StringView O10{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.9.101"};
inline constexpr QLatin1StringView O11{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.7.101"};
inline constexpr QLatin1StringView O12{"1.3.6.1.4.1.2001.1.1.4.2.1.1.12.0"};
inline constexpr QLatin1StringView O13{"1.3.6.1.4.1.2001.1.1.4.2.1.1.11.0"};
inline constexpr QLatin1StringView O14{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.150.1.5.100"};
inline constexpr QLatin1StringView O15{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.5.1"};
inline constexpr QLatin1StringView O16{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.27.1"};
inline constexpr QLatin1StringView O17{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.170.1.26.3"};
inline constexpr QLatin1StringView O18{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.140.0"};
inline constexpr QLatin1StringView O19{"1.3.6.1.4.1.2001.1.1.1.1.11.1.10.130.0"};
inline constexpr QLatin1StringView T1{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.2.1.1"};
inline constexpr QLatin1StringView T2{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.2.1.3"};
inline constexpr QLatin1StringView T3{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.11.1.3"};
inline constexpr QLatin1StringView T4{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.1"};
inline constexpr QLatin1StringView T5{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.2"};
inline constexpr QLatin1StringView T6{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.9.1.3"};
inline constexpr QLatin1StringView T7{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.8.1.1"};
inline constexpr QLatin1StringView T8{"1.3.6.1.4.1.1129.2.3.50.1.3.21.6.1.8.1.3"};
} // namespace OkiTable

namespace SamsungTable {
inline constexpr QLatin1StringView S1{"1.3.6.1.4.1.236.11.5.1.1.1.1.0"};
inline constexpr QLatin1StringView S2{"1.3.6.1.2.1.43.10.2.1.11.1.1"};
inline constexpr QLatin1StringView S3{"1.3.6.1.4.1.236.11.5.11.53.11.1.1.0"};
inline constexpr QLatin1StringView S4{"1.3.6.1.4.1.236.11.5.11.53.11.1.2.0"};
inline constexpr QLatin1StringView P1{"1.3.6.1.2.1.43.10.2.1.4.1.1"};
inline constexpr QLatin1StringView S5{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.98"};
inline constexpr QLatin1StringView S6{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.34"};
inline constexpr QLatin1StringView S7{"1.3.6.1.2.1.6.5.0"};
inline constexpr QLatin1StringView S8{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.50"};
inline constexpr QLatin1StringView S9{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.51"};
inline constexpr QLatin1StringView S10{"1.3.6.1.4.1.236.11.5.11.53.11.2.1.7.1.20"};
} // namespace SamsungTable

namespace LexmarkTable {
inline constexpr QLatin1StringView L1{"1.3.6.1.4.1.641.6.2.3.1.4.1"};
inline constexpr QLatin1StringView L2{"1.3.6.1.4.1.641.2.1.2.1.2.1"};
inline constexpr QLatin1StringView L3{"1.3.6.1.4.1.641.6.2.3.1.5.1"};
inline constexpr QLatin1StringView L4{"1.3.6.1.4.1.641.2.1.2.1.6.1"};
inline constexpr QLatin1StringView L5{"1.3.6.1.4.1.641.2.1.5.2.0"};
inline constexpr QLatin1StringView L6{"1.3.6.1.4.1.641.2.1.5.3.0"};
inline constexpr QLatin1StringView L7{"1.3.6.1.4.1.641.2.1.5.13.0"};
inline constexpr QLatin1StringView L8{"1.3.6.1.4.1.641.2.1.5.11.0"};
inline constexpr QLatin1StringView L9{"1.3.6.1.2.1.43.18.1.1.8.1.1"};
inline constexpr QLatin1StringView L10{"1.3.6.1.2.1.25.3.2.1.5.1"};
inline constexpr QLatin1StringView L11{"1.3.6.1.4.1.641.2.1.5.1.0"};
inline constexpr QLatin1StringView L12{"1.3.6.1.4.1.641.2.1.6.1.2"};
inline constexpr QLatin1StringView L13{"1.3.6.1.4.1.641.6.4.2.1.1.4.1.10"};
inline constexpr QLatin1StringView L14{"1.3.6.1.4.1.641.6.4.2.1.1.4.1.11"};
// The thirteen scanner counters, added up in this order.
inline constexpr QLatin1StringView S1{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.3"};
inline constexpr QLatin1StringView S2{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.4"};
inline constexpr QLatin1StringView S3{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.5"};
inline constexpr QLatin1StringView S4{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.6"};
inline constexpr QLatin1StringView S5{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.7"};
inline constexpr QLatin1StringView S6{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.8"};
inline constexpr QLatin1StringView S7{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.9"};
inline constexpr QLatin1StringView S8{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.10"};
inline constexpr QLatin1StringView S9{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.11"};
inline constexpr QLatin1StringView S10{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.12"};
inline constexpr QLatin1StringView S11{"1.3.6.1.4.1.641.6.4.3.1.1.4.1.13"};
inline constexpr QLatin1StringView S12{"1.3.6.1.4.1.641.6.4.3.1.1.5.1.1"};
inline constexpr QLatin1StringView S13{"1.3.6.1.4.1.641.6.4.3.1.1.5.1.2"};
inline constexpr std::array<QLatin1StringView, 13> kScannerCounters{
    {S1, S2, S3, S4, S5, S6, S7, S8, S9, S10, S11, S12, S13}};
} // namespace LexmarkTable

namespace BrotherTable {
inline constexpr QLatin1StringView B1{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.2"};
inline constexpr QLatin1StringView B2{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.5"};
inline constexpr QLatin1StringView B3{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.2"};
inline constexpr QLatin1StringView B4{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.4"};
inline constexpr QLatin1StringView B5{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.1"};
inline constexpr QLatin1StringView B6{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.1.1.3.3"};
inline constexpr QLatin1StringView B7{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.3"};
inline constexpr QLatin1StringView B8{"1.3.6.1.2.1.43.10.2.1.4.1.1"};
inline constexpr QLatin1StringView B9{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.6"};
inline constexpr QLatin1StringView B10{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.21.1.3.9"};
inline constexpr QLatin1StringView B11{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.52.42.1.3.1"};
inline constexpr QLatin1StringView B12{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.1"};
inline constexpr QLatin1StringView B13{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.2"};
inline constexpr QLatin1StringView B14{"1.3.6.1.4.1.2435.2.3.9.4.2.1.5.5.54.2.2.1.3.3"};
inline constexpr QLatin1StringView B15{"1.3.6.1.4.1.1240.2.3.4.5.2.12.0"};
inline constexpr QLatin1StringView B16{"1.3.6.1.4.1.11.2.4.3.10.8.0"};
} // namespace BrotherTable

namespace EpsonTable {
inline constexpr QLatin1StringView E1{"1.3.6.1.4.1.1248.1.2.2.1.1.1.3.1"};
inline constexpr QLatin1StringView E2{"1.3.6.1.4.1.1248.1.2.2.27.1.1.3.1.1"};
inline constexpr QLatin1StringView E3{"1.3.6.1.4.1.1248.1.2.2.27.1.1.4.1.1"};
inline constexpr QLatin1StringView E4{"1.3.6.1.4.1.1248.1.4.2.6.1.1.7.3.1"};
inline constexpr QLatin1StringView E5{"1.3.6.1.4.1.1248.1.2.2.4.1.1.3.1.1"};
} // namespace EpsonTable

namespace KonicaMinoltaTable {
inline constexpr QLatin1StringView K1{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.1.1"};
inline constexpr QLatin1StringView K2{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.1.2"};
inline constexpr QLatin1StringView K3{"1.3.6.1.4.1.18334.1.1.1.5.7.2.3.1.7.1"};
inline constexpr QLatin1StringView K4{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.2.1"};
inline constexpr QLatin1StringView K5{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.2.2"};
inline constexpr QLatin1StringView K6{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.4.1"};
inline constexpr QLatin1StringView K7{"1.3.6.1.4.1.18334.1.1.1.5.7.2.2.1.5.4.2"};
inline constexpr QLatin1StringView K8{"1.3.6.1.4.1.18334.1.1.1.5.7.2.4.1.5.1.3"};
inline constexpr QLatin1StringView K9{"1.3.6.1.4.1.18334.1.1.1.5.7.2.4.1.5.1.1"};
inline constexpr QLatin1StringView K10{"1.3.6.1.4.1.18334.1.1.1.5.7.2.1.5.0"};
inline constexpr QLatin1StringView K11{"1.3.6.1.4.1.18334.1.1.1.5.7.2.1.1.0"};
} // namespace KonicaMinoltaTable

namespace CanonTable {
inline constexpr QLatin1StringView C1{"1.3.6.1.4.1.1602.1.1.1.1.0"};
inline constexpr QLatin1StringView C2{"1.3.6.1.2.1.1.5.0"};
inline constexpr QLatin1StringView C3{"1.3.6.1.4.1.1602.1.11.1.4.1.4.112"};
inline constexpr QLatin1StringView C4{"1.3.6.1.4.1.1602.1.11.1.4.1.4.113"};
inline constexpr QLatin1StringView C5{"1.3.6.1.4.1.1602.1.11.1.4.1.4.122"};
inline constexpr QLatin1StringView C6{"1.3.6.1.4.1.1602.1.11.1.4.1.4.402"};
inline constexpr QLatin1StringView C7{"1.3.6.1.4.1.1602.1.11.2.2.1.4.1"};
inline constexpr QLatin1StringView C8{"1.3.6.1.2.1.43.10.2.1.4.1.1"};
} // namespace CanonTable

namespace SharpTable {
inline constexpr QLatin1StringView SH1{"1.3.6.1.2.1.43.17.6.1.5.1.1"};
inline constexpr QLatin1StringView SH2{"1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.61"};
inline constexpr QLatin1StringView SH3{"1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.63"};
inline constexpr QLatin1StringView SH4{"1.3.6.1.4.1.2385.1.1.19.2.1.3.9.4.53"};
inline constexpr QLatin1StringView SH5{"1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.51"};
inline constexpr QLatin1StringView SH6{"1.3.6.1.4.1.2385.1.1.19.2.1.3.5.4.53"};
inline constexpr QLatin1StringView SH7{"1.3.6.1.4.1.2385.1.1.19.2.1.3.1.4.61"};
inline constexpr QLatin1StringView SH8{"1.3.6.1.4.1.2385.1.1.19.2.1.3.4.4.61"};
inline constexpr QLatin1StringView SH9{"1.3.6.1.4.1.2385.1.1.19.2.1.3.8.4.51"};
inline constexpr QLatin1StringView SH10{"1.3.6.1.4.1.2385.1.1.19.2.1.3.8.4.53"};
} // namespace SharpTable

} // namespace vorenta::test
