#include "ShopGenerator.h"

#include "BulkLoader.h"
#include "Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <functional>
#include <numeric>
#include <vector>

namespace kestrum::shop {
namespace {

// splitmix64: every record draws from its own stream (seed, table, index), so a record does not
// depend on how many values another one drew.
class Rng {
public:
    Rng(std::uint64_t seed, std::uint64_t stream, std::uint64_t index)
        : s_(mix(seed ^ mix(stream * 0x9E3779B97F4A7C15ull + index))) {}
    std::uint64_t next() { return mix(s_ += 0x9E3779B97F4A7C15ull); }
    std::int64_t below(std::int64_t n) { return n <= 0 ? 0 : std::int64_t(next() % std::uint64_t(n)); }
    std::int64_t between(std::int64_t lo, std::int64_t hi) { return lo + below(hi - lo + 1); }
    bool percent(int p) { return below(100) < p; }
    template <std::size_t N>
    const char* pick(const char* const (&list)[N]) { return list[below(N)]; }

private:
    static std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::uint64_t s_;
};

// A bijection of [0, m): record i gets combination perm(i), so generated names never repeat.
struct Perm {
    std::uint64_t m, a, b;
    Perm(std::uint64_t m_, Rng& r) : m(m_) {
        a = r.next() % m + 1;
        while (std::gcd(a, m) != 1) ++a;
        b = r.next() % m;
    }
    std::uint64_t operator()(std::uint64_t i) const {
        return std::uint64_t((unsigned __int128)a * i % m + b) % m;
    }
};

// Rows of `total` spread over n documents as evenly as whole rows allow, so totals are exact.
std::int64_t share(std::int64_t total, std::int64_t n, std::int64_t i) { return (i + 1) * total / n - i * total / n; }

const char* const FirstNames[] = {
    "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael", "Linda", "David", "Elizabeth",
    "William", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah", "Charles", "Karen",
    "Christopher", "Lisa", "Daniel", "Nancy", "Matthew", "Betty", "Anthony", "Sandra", "Mark", "Margaret",
    "Donald", "Ashley", "Steven", "Kimberly", "Andrew", "Emily", "Paul", "Donna", "Joshua", "Michelle",
    "Kenneth", "Carol", "Kevin", "Amanda", "Brian", "Melissa", "George", "Deborah", "Timothy", "Stephanie",
    "Ronald", "Rebecca", "Jason", "Sharon", "Edward", "Laura", "Jeffrey", "Cynthia", "Ryan", "Dorothy",
    "Jacob", "Amy", "Gary", "Kathleen", "Nicholas", "Angela", "Eric", "Shirley", "Jonathan", "Brenda",
    "Stephen", "Emma", "Larry", "Anna", "Justin", "Pamela", "Scott", "Nicole", "Brandon", "Samantha",
    "Benjamin", "Katherine", "Samuel", "Christine", "Gregory", "Helen", "Alexander", "Debra", "Patrick",
    "Rachel", "Frank", "Carolyn", "Raymond", "Janet", "Jack", "Maria", "Dennis", "Catherine", "Jerry", "Heather"};
const char* const LastNames[] = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez", "Martinez",
    "Hernandez", "Lopez", "Gonzalez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore", "Jackson", "Martin",
    "Lee", "Perez", "Thompson", "White", "Harris", "Sanchez", "Clark", "Ramirez", "Lewis", "Robinson",
    "Walker", "Young", "Allen", "King", "Wright", "Scott", "Torres", "Nguyen", "Hill", "Flores", "Green",
    "Adams", "Nelson", "Baker", "Hall", "Rivera", "Campbell", "Mitchell", "Carter", "Roberts", "O'Neil",
    "D'Angelo", "O'Brien", "O'Connor", "D'Souza", "O'Malley", "McCarthy", "Kowalski", "Schmidt", "Novak",
    "Gomez", "Phillips", "Evans", "Turner", "Diaz", "Parker", "Cruz", "Edwards", "Collins", "Reyes",
    "Stewart", "Morris", "Morales", "Murphy", "Cook", "Rogers", "Gutierrez", "Ortiz", "Morgan", "Cooper",
    "Peterson", "Bailey", "Reed", "Kelly", "Howard", "Ramos", "Kim", "Cox", "Ward", "Richardson", "Watson",
    "Brooks", "Chavez", "Wood", "James", "Bennett", "Gray", "Mendoza", "Ruiz", "Hughes", "Price", "Alvarez",
    "Castillo", "Sanders", "Patel", "Myers", "Long", "Ross", "Foster", "Jimenez", "L'Esperance", "DuBois"};
const char* const Streets[] = {"Main", "Oak", "Maple", "Cedar", "Elm", "Washington", "Lake", "Hill", "Park",
                               "Pine", "Sunset", "Ridge", "Mill", "River", "Church", "O'Farrell", "Highland",
                               "Jefferson", "Lincoln", "Madison", "Spring", "Walnut", "Chestnut", "Willow"};
const char* const StreetKinds[] = {"St", "Ave", "Rd", "Blvd", "Dr", "Ln", "Way", "Ct", "Pkwy"};
struct City {
    const char *name, *state;
    int zip;
};
const City Cities[] = {{"Springfield", "IL", 62701}, {"Riverside", "CA", 92501}, {"Franklin", "TN", 37064},
                       {"Greenville", "SC", 29601}, {"Bristol", "CT", 6010},    {"Clinton", "IA", 52732},
                       {"Fairview", "OR", 97024},   {"Salem", "MA", 1970},      {"Madison", "WI", 53703},
                       {"Georgetown", "TX", 78626}, {"Arlington", "VA", 22201}, {"Dayton", "OH", 45402},
                       {"Coeur d'Alene", "ID", 83814}, {"Auburn", "AL", 36830}, {"Ashland", "KY", 41101},
                       {"Burlington", "VT", 5401},  {"Milton", "PA", 17847},    {"Newport", "RI", 2840}};
const char* const VendorKinds[] = {"Auto Parts", "Supply", "Distributors", "Wholesale", "Parts Co.",
                                   "Truck Parts", "Tire & Wheel", "Brake Supply", "Electric", "Radiator Works",
                                   "Glass", "Hydraulics", "Lubricants", "Fasteners", "Import Parts"};
const char* const PartKinds[] = {"Brake Pad Set", "Brake Rotor", "Oil Filter", "Air Filter", "Fuel Filter",
                                 "Spark Plug", "Ignition Coil", "Alternator", "Starter", "Water Pump",
                                 "Radiator", "Thermostat", "Serpentine Belt", "Timing Belt", "Wheel Bearing",
                                 "Shock Absorber", "Strut Assembly", "Tie Rod End", "Ball Joint", "CV Axle",
                                 "Battery", "Headlamp", "Wiper Blade", "Fuel Pump", "O2 Sensor", "Muffler",
                                 "Catalytic Converter", "Clutch Kit", "Control Arm", "Hose 5/8\"", "Gasket Set",
                                 "Caliper", "Master Cylinder", "Drum", "Tire 22.5\"", "Mud Flap", "Air Dryer"};
const char* const Makers[] = {"Bosch", "ACDelco", "Motorcraft", "Denso", "NGK", "Moog", "Monroe", "Gates",
                              "Dayco", "Wagner", "Raybestos", "Fram", "Wix", "Timken", "Dorman", "Delphi",
                              "Cardone", "Standard", "Bendix", "Meritor", "Haldex", "Fleetguard"};
const char* const Styles[] = {"Front", "Rear", "Left", "Right", "Upper", "Lower", "Heavy Duty", "OEM",
                              "Premium", "Economy", "Ceramic", "Semi-Metallic"};
const char* const Units[] = {"Each", "Pair", "Set", "Box", "Quart", "Gallon", "Foot"};
const char* const LaborActions[] = {"Replace", "Inspect", "Repair", "Adjust", "Flush", "Rebuild", "Diagnose",
                                    "Install", "Remove and replace", "Clean", "Test", "Align", "Balance",
                                    "Resurface", "Overhaul", "Lubricate", "Reseal", "Calibrate", "Bleed",
                                    "Rotate"};
const char* const LaborSystems[] = {
    "front brakes", "rear brakes", "brake lines", "cooling system", "water pump", "alternator", "starter",
    "battery cables", "fuel system", "fuel injectors", "transmission", "clutch", "driveshaft", "rear axle",
    "front suspension", "rear suspension", "steering gear", "power steering", "A/C system", "heater core",
    "exhaust system", "muffler", "catalytic converter", "timing belt", "valve cover gasket", "head gasket",
    "engine mounts", "wheel bearings", "hubs", "tires", "wheels", "headlights", "tail lights", "wiring harness",
    "air brakes", "fifth wheel", "DPF filter", "turbocharger", "radiator", "driver's door lock"};
const char* const Devices[] = {"Lift 1", "Lift 2", "Lift 3", "Alignment rack", "Scan tool", "Tire machine",
                               "Brake lathe", "A/C machine", "Road truck", "Bench"};
const char* const Positions[] = {"Technician", "Senior Technician", "Service Writer", "Parts Manager",
                                 "Office Manager", "Apprentice", "Shop Foreman"};
struct Vehicle {
    const char *make, *model;
};
const Vehicle Vehicles[] = {{"Ford", "F-150"},        {"Ford", "F-350"},         {"Chevrolet", "Silverado"},
                            {"Chevrolet", "Express"}, {"Ram", "2500"},           {"GMC", "Sierra"},
                            {"Toyota", "Tacoma"},     {"Toyota", "Camry"},       {"Honda", "Accord"},
                            {"Honda", "Civic"},       {"Freightliner", "M2 106"}, {"Freightliner", "Cascadia"},
                            {"International", "4300"}, {"Kenworth", "T680"},     {"Peterbilt", "579"},
                            {"Isuzu", "NPR"},         {"Nissan", "Altima"},      {"Jeep", "Wrangler"},
                            {"Mack", "Anthem"},       {"Volvo", "VNL"}};
const char* const Locations[] = {"Shop", "Shop", "Shop", "Road service", "Customer's yard", "Bay 2"};
const char* const Remarks[] = {"", "", "", "", "Customer waiting", "Called when done", "Warranty",
                               "Fleet account", "Don't wash the truck", "Customer's own parts", "Rush"};
const char* const PayVia[] = {"Check", "Cash", "Visa", "MasterCard", "AmEx", "ACH"};
const char* const ExpenseKinds[] = {"Freight", "Shop supplies", "Core charge", "Disposal fee",
                                    "Handling", "Fuel surcharge", "Rental tool"};

std::string address(Rng& r) {
    return std::to_string(r.between(1, 9999)) + " " + r.pick(Streets) + " " + r.pick(StreetKinds);
}
std::string phone(Rng& r) {
    char t[20];
    std::snprintf(t, sizeof t, "(%03d) %03d-%04d", int(r.between(201, 989)), int(r.between(200, 999)),
                  int(r.between(0, 9999)));
    return t;
}
std::string zip(const City& c) {
    char t[8];
    std::snprintf(t, sizeof t, "%05d", c.zip);
    return t;
}
std::string mailName(const std::string& name) {
    std::string out;
    for (char ch : name)
        if (std::isalnum(static_cast<unsigned char>(ch))) out += char(std::tolower(static_cast<unsigned char>(ch)));
        else if (ch == ' ' && !out.empty() && out.back() != '.') out += '.';
    return out;
}
std::string person(std::uint64_t combo, bool initial) {
    const std::uint64_t nf = std::size(FirstNames), nl = std::size(LastNames);
    std::string s = FirstNames[combo % nf];
    combo /= nf;
    if (initial) {
        s += ' ';
        s += char('A' + combo % 26);
        s += '.';
        combo /= 26;
    }
    return s + " " + LastNames[combo % nl];
}

Date toDate(const QDate& d) { return {d.year(), d.month(), d.day()}; }

struct PartRec {
    std::string name, mfg, style, number;
    std::int64_t price;  // cents
};
struct Named {
    std::string name, address;
};
struct LaborRec {
    std::string description, device;
    std::int64_t rate;  // cents, whole dollars
};

// Distinct indexes below n (k is small next to n).
std::vector<std::int64_t> distinct(Rng& r, std::int64_t k, std::int64_t n) {
    std::vector<std::int64_t> out;
    while (std::int64_t(out.size()) < std::min(k, n)) {
        const std::int64_t x = r.below(n);
        if (std::find(out.begin(), out.end(), x) == out.end()) out.push_back(x);
    }
    return out;
}

std::int64_t scaled(double base, double scale, std::int64_t least) {
    return std::max<std::int64_t>(least, std::llround(base * scale));
}

class Generator {
public:
    Generator(Connection& c, const Options& o) : c_(c), o_(o), n_(countsFor(o.scale)) {
        until_ = o.until.isValid() ? o.until : QDate::currentDate();
        start_ = QDate(until_.year() - int(n_.taxYears) + 1, 1, 1);
        span_ = start_.daysTo(until_);
    }

    std::map<std::string, TableResult> run() {
        masters();
        say(c_.arrays() ? "Rows go in parameter arrays of 1000" : "The driver takes no parameter arrays: one execute per row");
        tax();
        invoices();
        orders();
        bills();
        deposits();
        c_.commit();
        std::map<std::string, TableResult> out;
        for (auto& [name, l] : loaders_) out[name] = {l->rows(), l->seconds()};
        return out;
    }

private:
    TableLoader& table(const char* name) {
        auto& slot = loaders_[name];
        if (!slot) slot = std::make_unique<TableLoader>(c_, *schema::findTable(QString::fromLatin1(name)));
        return *slot;
    }
    void say(const std::string& text) {
        if (o_.progress) o_.progress(text);
    }
    void done(TableLoader& t) {
        t.flush();
        say(t.name() + ": " + std::to_string(t.rows()) + " rows");
    }
    QDate dateAt(std::int64_t i, std::int64_t n) const { return start_.addDays(i * span_ / std::max<std::int64_t>(n, 1)); }
    QDate capped(QDate d) const { return d > until_ ? until_ : d; }
    Rng rng(std::uint64_t stream, std::uint64_t i) const { return Rng(o_.seed, stream, i); }

    void masters() {
        Rng setup = rng(1, 0);
        // Parts
        {
            TableLoader& t = table("Part");
            const int id = t.column("ID_Material"), type = t.column("Type_Material"),
                      name = t.column("Number_Material"), desc = t.column("Description_Material"),
                      mfg = t.column("Mfg_Material"), style = t.column("Style_Material"),
                      styleType = t.column("Style_Type_Material"), no = t.column("Color_Material"),
                      serial = t.column("Size_Material"), unit = t.column("Unit_Material"),
                      price = t.column("Price_Material"), remark = t.column("Remark_Material");
            const Perm numbers(900000, setup);
            for (std::int64_t i = 0; i < n_.parts; ++i) {
                Rng r = rng(2, i);
                PartRec p;
                p.mfg = r.pick(Makers);
                p.style = r.pick(Styles);
                p.name = std::string(r.pick(PartKinds)) + " " + p.style;
                char number[24];
                std::snprintf(number, sizeof number, "%c%c-%06llu", char('A' + r.below(26)), char('A' + r.below(26)),
                              (unsigned long long)(100000 + numbers(std::uint64_t(i))));
                p.number = number;
                p.price = r.between(199, 45000);
                t.setInt(id, i + 1);
                t.setText(type, r.percent(90) ? "Item" : "Service");
                t.setText(name, p.name);
                t.setText(desc, p.mfg + " " + p.name + " for " + Vehicles[r.below(std::size(Vehicles))].make);
                t.setText(mfg, p.mfg);
                t.setText(style, p.style);
                t.setText(styleType, r.percent(50) ? "Standard" : "Heavy Duty");
                t.setText(no, p.number);
                t.setText(serial, r.percent(30) ? "SN" + std::to_string(r.between(100000, 999999)) : "");
                t.setText(unit, r.pick(Units));
                t.setFixed(price, p.price, 2);
                t.setText(remark, r.pick(Remarks));
                t.endRow();
                parts_.push_back(std::move(p));
            }
            done(t);
        }
        // Customers: unique names (people with a middle initial, and businesses)
        {
            TableLoader& t = table("Customer");
            const int id = t.column("ID_Customer"), name = t.column("Name_Customer"), type = t.column("Type_Customer"),
                      tell = t.column("Tell_Customer"), addr = t.column("Address_Customer"),
                      city = t.column("City_Customer"), state = t.column("State_Customer"), zp = t.column("Zip_Customer"),
                      email = t.column("Email_Customer"), web = t.column("Web_Customer"), cell = t.column("Tel_Customer"),
                      fax = t.column("Tel1_Customer");
            const Perm names(std::uint64_t(std::size(FirstNames)) * 26 * std::size(LastNames), setup);
            for (std::int64_t i = 0; i < n_.customers; ++i) {
                Rng r = rng(3, i);
                const std::uint64_t combo = names(std::uint64_t(i));
                const bool business = combo % 7 == 0;
                std::string n = business ? std::string(LastNames[combo / 7 % std::size(LastNames)]) + "'s " +
                                               (combo % 2 ? "Trucking " : "Towing ") + std::to_string(combo % 100000)
                                         : person(combo, true);
                const City& c = Cities[r.below(std::size(Cities))];
                t.setInt(id, i + 1);
                t.setText(name, n);
                t.setText(type, business ? "Fleet" : (r.percent(80) ? "Retail" : "Wholesale"));
                t.setText(tell, phone(r));
                t.setText(addr, address(r));
                t.setText(city, c.name);
                t.setText(state, c.state);
                t.setText(zp, zip(c));
                t.setText(email, r.percent(70) ? mailName(n) + "@example.com" : "");
                t.setText(web, business ? "www." + mailName(n) + ".com" : "");
                t.setText(cell, r.percent(60) ? phone(r) : "");
                t.setText(fax, business ? phone(r) : "");
                t.endRow();
                customers_.push_back(std::move(n));
            }
            done(t);
        }
        // Vendors
        {
            TableLoader& t = table("Company");
            const int id = t.column("ID_Company"), name = t.column("Name_Company"), type = t.column("Type_Company"),
                      tell = t.column("Tell_Company"), addr = t.column("Address_Company"), city = t.column("City_Company"),
                      state = t.column("State_Company"), zp = t.column("Zip_Company"),
                      c1 = t.column("Contact1_Company"), c2 = t.column("Contact2_Company"),
                      email = t.column("Email_Company"), web = t.column("Web_Company"), fax = t.column("Fax_Company");
            const Perm names(std::uint64_t(std::size(LastNames)) * std::size(VendorKinds) * 3, setup);
            for (std::int64_t i = 0; i < n_.vendors; ++i) {
                Rng r = rng(4, i);
                const std::uint64_t combo = names(std::uint64_t(i));
                const char* const suffix[] = {"", " Inc.", " & Sons"};
                std::string n = std::string(LastNames[combo % std::size(LastNames)]) + " " +
                                VendorKinds[combo / std::size(LastNames) % std::size(VendorKinds)] +
                                suffix[combo / std::size(LastNames) / std::size(VendorKinds)];
                const City& c = Cities[r.below(std::size(Cities))];
                const std::string a = address(r);
                t.setInt(id, i + 1);
                t.setText(name, n);
                t.setText(type, r.percent(70) ? "Parts" : "Services");
                t.setText(tell, phone(r));
                t.setText(addr, a);
                t.setText(city, c.name);
                t.setText(state, c.state);
                t.setText(zp, zip(c));
                t.setText(c1, person(r.next(), false));
                t.setText(c2, phone(r));
                t.setText(email, "orders@" + mailName(n) + ".com");
                t.setText(web, "www." + mailName(n) + ".com");
                t.setText(fax, phone(r));
                t.endRow();
                vendors_.push_back({std::move(n), a + ", " + c.name + ", " + c.state + " " + zip(c)});
            }
            done(t);
        }
        // Employees
        {
            TableLoader& t = table("Employee");
            const int id = t.column("ID_Employee"), name = t.column("Name_Employee"), dob = t.column("DOB_Employee"),
                      email = t.column("Email_Employee"), ssn = t.column("SSN_Employee"),
                      pos = t.column("Position_Employee"), emerg = t.column("Emergency_Employee"),
                      cell = t.column("Cell_Employee"), addr = t.column("Address_Employee"),
                      city = t.column("City_Employee"), state = t.column("State_Employee"), zp = t.column("Zip_Employee"),
                      from = t.column("Start_Employee"), to = t.column("End_Employee");
            const Perm names(std::uint64_t(std::size(FirstNames)) * std::size(LastNames), setup);
            for (std::int64_t i = 0; i < n_.employees; ++i) {
                Rng r = rng(5, i);
                std::string n = person(names(std::uint64_t(i)), false);
                const City& c = Cities[r.below(std::size(Cities))];
                const QDate started = start_.addDays(r.below(span_));
                char s[16];
                std::snprintf(s, sizeof s, "%03d-%02d-%04d", int(r.between(100, 899)), int(r.between(10, 99)),
                              int(r.between(1000, 9999)));
                t.setInt(id, i + 1);
                t.setText(name, n);
                t.setDate(dob, toDate(QDate(int(start_.year() - r.between(18, 45)), int(r.between(1, 12)),
                                            int(r.between(1, 28)))));
                t.setText(email, mailName(n) + "@shop.example.com");
                t.setText(ssn, s);
                t.setText(pos, r.pick(Positions));
                t.setText(emerg, person(r.next(), false) + " " + phone(r));
                t.setText(cell, phone(r));
                t.setText(addr, address(r));
                t.setText(city, c.name);
                t.setText(state, c.state);
                t.setText(zp, zip(c));
                t.setDate(from, toDate(started));
                if (r.percent(30)) t.setDate(to, toDate(capped(started.addDays(r.between(90, 3000)))));
                t.endRow();
                employees_.push_back(std::move(n));
            }
            done(t);
        }
        // Labor operations
        {
            TableLoader& t = table("Labor");
            const int id = t.column("ID_Labor"), desc = t.column("Description_Labor"),
                      dev = t.column("PartNo_Labor"), rate = t.column("Rate_Labor"), remark = t.column("Remark_Labor");
            const Perm names(std::uint64_t(std::size(LaborActions)) * std::size(LaborSystems), setup);
            for (std::int64_t i = 0; i < n_.labor; ++i) {
                Rng r = rng(6, i);
                const std::uint64_t combo = names(std::uint64_t(i));
                LaborRec l{std::string(LaborActions[combo % std::size(LaborActions)]) + " " +
                               LaborSystems[combo / std::size(LaborActions)],
                           r.pick(Devices), r.between(9, 36) * 500};
                t.setInt(id, i + 1);
                t.setText(desc, l.description);
                t.setText(dev, l.device);
                t.setFixed(rate, l.rate, 2);
                t.setText(remark, r.pick(Remarks));
                t.endRow();
                labor_.push_back(std::move(l));
            }
            done(t);
        }
        // Banks
        {
            TableLoader& t = table("Bank");
            const char* const names[] = {"Operating Account", "Payroll Account", "Savings", "Credit Card",
                                         "Petty Cash"};
            const char* const types[] = {"Checking", "Checking", "Savings", "Credit", "Cash"};
            const char* const banks[] = {"First National Bank", "Farmers & Merchants", "People's Credit Union",
                                         "First National Bank", ""};
            for (std::int64_t i = 0; i < n_.banks; ++i) {
                Rng r = rng(7, i);
                t.setInt(t.column("ID_Bank"), i + 1);
                t.setText(t.column("Name_Bank"), names[i % 5]);
                t.setText(t.column("Type_Bank"), types[i % 5]);
                t.setText(t.column("AccountNo_Bank"), std::to_string(r.between(100000000, 999999999)));
                if (i % 5 == 3) t.setDate(t.column("Date_Bank"), toDate(QDate(until_.year() + 3, 12, 31)));
                t.setText(t.column("Company_Bank"), banks[i % 5]);
                t.endRow();
                banks_.push_back(names[i % 5]);
            }
            done(t);
        }
        c_.exec("UPDATE Reg SET Name_R = ?, Address_R = ?, Catagory_R = ?, City_R = ?, State_R = ?, Zip_R = ?, "
                "Tel_R = ? WHERE Id_R = 1",
                {"O'Hara's Truck & Auto Repair", "1200 Industrial Pkwy", "Auto Repair", "Springfield", "IL",
                 "62701", "(217) 555-0142"});
    }

    // Tax rate of a year's month in units of 10^-5 (7375 = 7.375%); rises a step every few years.
    std::int64_t taxRate(int year, int month) const {
        Rng r = rng(8, std::uint64_t(year));
        const std::int64_t base = 6250 + 125 * ((year - start_.year()) / 3);
        const int changeMonth = int(r.between(1, 12));
        return base + (month >= changeMonth && r.percent(40) ? 125 : 0);
    }

    void tax() {
        TableLoader& t = table("Tax");
        std::int64_t id = 0;
        for (int year = start_.year(); year <= until_.year(); ++year)
            for (int month = 1; month <= 12; ++month) {
                t.setInt(t.column("Id_T"), ++id);
                t.setInt(t.column("Year_T"), year);
                t.setInt(t.column("A_T"), month);
                t.setInt(t.column("E_T"), month);
                t.setFixed(t.column("Tax_T"), taxRate(year, month), 5);
                t.endRow();
            }
        done(t);
    }

    void invoices() {
        TableLoader& inv = table("Invoice");
        TableLoader& item = table("InvItem");
        TableLoader& lab = table("InvLabor");
        TableLoader& pay = table("Receivable");
        const int iNo = inv.column("InvoiceNo_Inv"), iPaid = inv.column("Paid_Inv"),
                  iCust = inv.column("CustomerName_Inv"), iRep = inv.column("RepairPerson_Inv"),
                  iDate = inv.column("InvoiceDate_Inv"), iPo = inv.column("PO_Inv"), iAmt = inv.column("Amount_Inv"),
                  iLoc = inv.column("JobLocation_Inv"), iDue = inv.column("DueDate_Inv"), iVin = inv.column("Vin_Inv"),
                  iTruck = inv.column("TruckNo_Inv"), iMiles = inv.column("Mileage_Inv"), iMake = inv.column("Make_Inv"),
                  iModel = inv.column("Model_Inv"), iYear = inv.column("Year_Inv"), iPlate = inv.column("Plate_Inv"),
                  iTax = inv.column("Tax_Inv"), iRemark = inv.column("Remark_Inv");
        const int pName = item.column("Name_Item"), pMfg = item.column("Mfg_Item"), pQty = item.column("Qty_Item"),
                  pStyle = item.column("Style_Item"), pNo = item.column("Color_Item"), pRate = item.column("Rate_Item"),
                  pAmt = item.column("Amount_Item"), pInv = item.column("Inv_Item");
        const int lDesc = lab.column("Description_Labor"), lDev = lab.column("PartNo_Labor"),
                  lQty = lab.column("Qty_Labor"), lRate = lab.column("Rate_Labor"), lAmt = lab.column("Amount_Labor"),
                  lRemark = lab.column("Remark_Labor"), lInv = lab.column("Inv_Labor");
        const int rInv = pay.column("InvoiceNo_Receivable"), rName = pay.column("Name_Receivable"),
                  rVia = pay.column("ViaPayment_Receivable"), rDate = pay.column("PayDate_Receivable"),
                  rRef = pay.column("Ref_Receivable"), rBank = pay.column("DepositTo_Receivable"),
                  rAmt = pay.column("Amount_Receivable"), rRemark = pay.column("Remark_Receivable");
        static const char VinChars[] = "ABCDEFGHJKLMNPRSTUVWXYZ0123456789";
        for (std::int64_t i = 0; i < n_.invoices; ++i) {
            Rng r = rng(10, i);
            const std::int64_t number = i + 1;
            const QDate date = dateAt(i, n_.invoices);
            const std::string& customer = customers_[r.below(n_.customers)];
            std::int64_t partsTotal = 0, laborTotal = 0;
            for (std::int64_t p : distinct(r, share(n_.partLines, n_.invoices, i), n_.parts)) {
                const PartRec& part = parts_[p];
                const std::int64_t qty = r.between(1, 4), amount = qty * part.price;
                item.setText(pName, part.name);
                item.setText(pMfg, part.mfg);
                item.setFixed(pQty, qty, 0);
                item.setText(pStyle, part.style);
                item.setText(pNo, part.number);
                item.setFixed(pRate, part.price, 2);
                item.setFixed(pAmt, amount, 2);
                item.setInt(pInv, number);
                item.endRow();
                partsTotal += amount;
            }
            for (std::int64_t l : distinct(r, share(n_.laborLines, n_.invoices, i), n_.labor)) {
                const LaborRec& op = labor_[l];
                const std::int64_t halfHours = r.between(1, 16), amount = halfHours * op.rate / 2;
                lab.setText(lDesc, op.description);
                lab.setText(lDev, op.device);
                lab.setFixed(lQty, halfHours * 5, 1);
                lab.setFixed(lRate, op.rate, 2);
                lab.setFixed(lAmt, amount, 2);
                lab.setText(lRemark, r.percent(10) ? "Comeback" : "");
                lab.setInt(lInv, number);
                lab.endRow();
                laborTotal += amount;
            }
            const bool taxable = r.percent(85);
            // Tax on parts at the month's rate, to the cent (half away from zero).
            const std::int64_t taxCents =
                taxable ? (partsTotal * taxRate(date.year(), date.month()) + 50000) / 100000 : 0;
            const std::int64_t total = partsTotal + laborTotal + taxCents;

            // Payments: never more than the total; most invoices end fully paid.
            const std::int64_t payments = share(n_.payments, n_.invoices, i);
            std::int64_t paid = 0;
            const std::int64_t ref = r.between(1000, 99999);
            for (std::int64_t j = 0; j < payments; ++j) {
                const std::int64_t left = total - paid;
                std::int64_t amount = j + 1 < payments ? left * r.between(20, 80) / 100 : left;
                if (j + 1 == payments && r.percent(o_.openPercent)) amount = left * r.between(30, 95) / 100;  // still open
                paid += amount;
                const char* via = r.pick(PayVia);
                pay.setInt(rInv, number);
                pay.setText(rName, customer);
                pay.setText(rVia, via);
                pay.setDate(rDate, toDate(capped(date.addDays(r.between(0, 45) + 15 * j))));
                pay.setText(rRef, std::string(via) == "Cash" ? "Cash " + std::to_string(j + 1)
                                                              : std::to_string(ref + j));
                pay.setText(rBank, banks_[std::size_t(r.below(std::min<std::int64_t>(n_.banks, 2)))]);
                pay.setFixed(rAmt, amount, 2);
                pay.setText(rRemark, j > 0 ? "Balance" : "");
                pay.endRow();
            }
            const Vehicle& v = Vehicles[r.below(std::size(Vehicles))];
            std::string vin(17, 'X');
            for (char& ch : vin) ch = VinChars[r.below(sizeof VinChars - 1)];
            inv.setInt(iNo, number);
            inv.setBool(iPaid, payments > 0 && paid == total);
            inv.setText(iCust, customer);
            inv.setText(iRep, employees_[r.below(n_.employees)]);
            inv.setDate(iDate, toDate(date));
            inv.setText(iPo, r.percent(25) ? "PO " + std::to_string(r.between(1000, 99999)) : "");
            inv.setFixed(iAmt, total, 2);
            inv.setText(iLoc, r.pick(Locations));
            inv.setDate(iDue, toDate(date.addDays(30)));
            inv.setText(iVin, vin);
            inv.setText(iTruck, r.percent(40) ? "T-" + std::to_string(r.between(1, 400)) : "");
            inv.setText(iMiles, std::to_string(r.between(5000, 900000)));
            inv.setText(iMake, v.make);
            inv.setText(iModel, v.model);
            inv.setText(iYear, std::to_string(date.year() - r.between(0, 18)));
            inv.setText(iPlate, std::string(1, char('A' + r.below(26))) + char('A' + r.below(26)) + " " +
                                    std::to_string(r.between(1000, 9999)));
            inv.setBool(iTax, taxable);
            inv.setText(iRemark, r.pick(Remarks));
            inv.endRow();
            if (number % 50000 == 0) say("Invoice: " + std::to_string(number) + " of " + std::to_string(n_.invoices));
        }
        done(inv);
        done(item);
        done(lab);
        done(pay);
    }

    void orders() {
        TableLoader& ord = table("Orders");
        TableLoader& item = table("Items");
        const int oNo = ord.column("Po_Order"), oSide = ord.column("SideMark_Order"), oBy = ord.column("OrderBy_Order"),
                  oDate = ord.column("OrderDate_Order"), oVendor = ord.column("Vendor_Order"),
                  oFrom = ord.column("ShipFrom_Order"), oTo = ord.column("ShipTo_Order"),
                  oShip = ord.column("ShipDate_Order"), oFor = ord.column("ForInvoice_Order");
        const int pName = item.column("Name_Item"), pMfg = item.column("Mfg_Item"), pQty = item.column("Qty_Item"),
                  pStyle = item.column("Style_Item"), pNo = item.column("Color_Item"), pRate = item.column("Rate_Item"),
                  pAmt = item.column("Amount_Item"), pPo = item.column("Po_Item");
        for (std::int64_t o = 0; o < n_.orders; ++o) {
            Rng r = rng(11, o);
            const QDate date = dateAt(o, n_.orders);
            const Named& vendor = vendors_[r.below(n_.vendors)];
            const bool forInvoice = r.percent(40);
            ord.setInt(oNo, o + 1);
            ord.setText(oSide, forInvoice ? customers_[r.below(n_.customers)] : "");
            ord.setText(oBy, employees_[r.below(n_.employees)]);
            ord.setDate(oDate, toDate(date));
            ord.setText(oVendor, vendor.name);
            ord.setText(oFrom, vendor.address);
            ord.setText(oTo, "Shop");
            ord.setDate(oShip, toDate(capped(date.addDays(r.between(1, 10)))));
            ord.setText(oFor, forInvoice ? std::to_string(std::max<std::int64_t>(1, o * n_.invoices / n_.orders))
                                         : "Stock");
            ord.endRow();
            for (std::int64_t p : distinct(r, share(n_.orderLines, n_.orders, o), n_.parts)) {
                const PartRec& part = parts_[p];
                const std::int64_t qty = r.between(5, 40), cost = part.price * 60 / 100;
                item.setText(pName, part.name);
                item.setText(pMfg, part.mfg);
                item.setFixed(pQty, qty, 0);
                item.setText(pStyle, part.style);
                item.setText(pNo, part.number);
                item.setFixed(pRate, cost, 2);
                item.setFixed(pAmt, qty * cost, 2);
                item.setInt(pPo, o + 1);
                item.endRow();
            }
        }
        done(ord);
        done(item);
    }

    void bills() {
        TableLoader& bill = table("Bill");
        TableLoader& item = table("BillItem");
        TableLoader& exp = table("BillExpense");
        TableLoader& pay = table("Payable");
        for (std::int64_t b = 0; b < n_.bills; ++b) {
            Rng r = rng(12, b);
            const QDate date = dateAt(b, n_.bills);
            const Named& vendor = vendors_[r.below(n_.vendors)];
            const std::string ref = std::to_string(100001 + b);
            std::int64_t total = 0;
            for (std::int64_t p : distinct(r, share(n_.billLines, n_.bills, b), n_.parts)) {
                const PartRec& part = parts_[p];
                const std::int64_t qty = r.between(1, 20), cost = part.price * 60 / 100;
                item.setText(item.column("Name_Bill"), part.name);
                item.setText(item.column("Mfg_Bill"), part.mfg);
                item.setFixed(item.column("Qty_Bill"), qty, 0);
                item.setText(item.column("Style_Bill"), part.style);
                item.setText(item.column("Color_Bill"), part.number);
                item.setFixed(item.column("Rate_Bill"), cost, 2);
                item.setFixed(item.column("Amount_Bill"), qty * cost, 2);
                item.setText(item.column("Inv_Bill"), ref);
                item.endRow();
                total += qty * cost;
            }
            for (std::int64_t e : distinct(r, share(n_.billExpenses, n_.bills, b), std::size(ExpenseKinds))) {
                const std::int64_t qty = r.between(1, 3), rate = r.between(500, 15000);
                exp.setText(exp.column("Description_Expense"), ExpenseKinds[e]);
                exp.setText(exp.column("PartNo_Expense"), "EXP-" + std::to_string(e + 1));
                exp.setFixed(exp.column("Qty_Expense"), qty, 0);
                exp.setFixed(exp.column("Rate_Expense"), rate, 2);
                exp.setFixed(exp.column("Amount_Expense"), qty * rate, 2);
                exp.setText(exp.column("Remark_Expense"), "");
                exp.setText(exp.column("Bill_Expense"), ref);
                exp.endRow();
                total += qty * rate;
            }
            bill.setText(bill.column("Ref_Bill"), ref);
            bill.setText(bill.column("Vendor_Bill"), vendor.name);
            bill.setDate(bill.column("BillDate_Bill"), toDate(date));
            bill.setDate(bill.column("DueDate_Bill"), toDate(date.addDays(30)));
            bill.setFixed(bill.column("Amount_Bill"), total, 2);
            bill.setText(bill.column("Address_Bill"), vendor.address);
            bill.setText(bill.column("Chart_Bill"), "Cost of Goods Sold");
            bill.setText(bill.column("SubChart_Bill"), "Parts");
            bill.setText(bill.column("Remark_Bill"), r.pick(Remarks));
            bill.endRow();
            std::int64_t paid = 0;
            const std::int64_t payments = share(n_.payables, n_.bills, b);
            for (std::int64_t j = 0; j < payments; ++j) {
                const std::int64_t left = total - paid;
                const std::int64_t amount =
                    j + 1 < payments || r.percent(8) ? left * r.between(30, 90) / 100 : left;
                paid += amount;
                pay.setText(pay.column("BillNo_Payable"), ref);
                pay.setText(pay.column("Name_Payable"), vendor.name);
                pay.setText(pay.column("ViaPayment_Payable"), "Check");
                pay.setDate(pay.column("PayDate_Payable"), toDate(capped(date.addDays(r.between(0, 40) + 15 * j))));
                pay.setText(pay.column("Ref_Payable"), std::to_string(r.between(1000, 99999)));
                pay.setFixed(pay.column("Amount_Payable"), amount, 2);
                pay.setText(pay.column("Chart_Payable"), "Accounts Payable");
                pay.setText(pay.column("SubChart_Payable"), "");
                pay.setText(pay.column("Remark_Payable"), "");
                pay.endRow();
            }
        }
        done(bill);
        done(item);
        done(exp);
        done(pay);
    }

    void deposits() {
        TableLoader& t = table("Deposit");
        for (std::int64_t d = 0; d < n_.deposits; ++d) {
            Rng r = rng(13, d);
            t.setText(t.column("DepositTo_Dep"), banks_[std::size_t(r.below(std::min<std::int64_t>(n_.banks, 3)))]);
            t.setDate(t.column("Date_Dep"), toDate(dateAt(d, n_.deposits)));
            t.setText(t.column("From_Dep"), customers_[r.below(n_.customers)]);
            t.setText(t.column("Acc_Dep"), "Sales");
            t.setText(t.column("SubAcc_Dep"), r.percent(50) ? "Parts" : "Labor");
            t.setText(t.column("Chk_Dep"), std::to_string(10001 + d));
            t.setFixed(t.column("Amount_Dep"), r.between(2000, 500000), 2);
            t.setText(t.column("Remark_Dep"), "");
            t.endRow();
        }
        done(t);
    }

    Connection& c_;
    const Options& o_;
    Counts n_;
    QDate start_, until_;
    std::int64_t span_ = 0;
    std::map<std::string, std::unique_ptr<TableLoader>> loaders_;
    std::vector<PartRec> parts_;
    std::vector<std::string> customers_, employees_, banks_;
    std::vector<Named> vendors_;
    std::vector<LaborRec> labor_;
};

}  // namespace

Counts countsFor(double scale) {
    Counts c{};
    c.parts = scaled(100000, scale, 20);
    c.customers = scaled(50000, scale, 5);
    c.vendors = scaled(2000, scale, 2);
    c.employees = scaled(50, scale, 2);
    c.labor = scaled(500, scale, 10);
    c.banks = 5;
    c.invoices = scaled(300000, scale, 1);
    c.partLines = scaled(2000000, scale, 1);
    c.laborLines = scaled(1000000, scale, 1);
    c.payments = scaled(400000, scale, 1);
    c.orders = scaled(60000, scale, 1);
    c.orderLines = scaled(180000, scale, 1);
    c.bills = scaled(80000, scale, 1);
    c.billLines = scaled(160000, scale, 1);
    c.billExpenses = scaled(80000, scale, 1);
    c.payables = scaled(80000, scale, 1);
    c.deposits = scaled(20000, scale, 1);
    return c;
}

namespace {

// A schema step on its own Qt connection, removed again whatever happens.
void onSchemaConnection(const std::string& connect, const std::function<void(QSqlDatabase&)>& step) {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("make-shop-%1").arg(serial++);
    std::exception_ptr failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
        db.setDatabaseName(QString::fromStdString(connect));
        if (!db.open()) {
            failure = std::make_exception_ptr(LoadError("Cannot connect: " + db.lastError().text().toStdString()));
        } else {
            try {
                step(db);
            } catch (...) {
                failure = std::current_exception();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

std::map<std::string, TableResult> makeShop(const Options& options) {
    if (!(options.scale > 0) || options.scale > 100) throw LoadError("The scale must be above 0 and at most 100.");
    onSchemaConnection(options.connect, [](QSqlDatabase& db) {
        schema::createDatabase(db);
        // Summing each invoice's lines and payments again for every row loaded would triple the
        // load of three million lines: the figures are made once at the end instead.
        schema::dropInvoiceSumsTriggers(db);
    });
    std::map<std::string, TableResult> results;
    {
        Connection c(options.connect);
        results = Generator(c, options).run();
    }
    const auto start = std::chrono::steady_clock::now();
    std::int64_t sums = 0;
    onSchemaConnection(options.connect, [&sums](QSqlDatabase& db) {
        schema::upgradeDatabase(db);
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT Count(*) FROM InvoiceSums")) && q.next()) sums = q.value(0).toLongLong();
    });
    results["InvoiceSums"] = {sums, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
    return results;
}

}  // namespace kestrum::shop
