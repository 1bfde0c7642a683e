// The word lists of the sample generator: names (several with accents of
// the handheld's character set, written as \xHH bytes), companies, titles,
// streets, places, note lines and custom values. A literal is split where a
// hex escape is followed by a letter that would extend it. Owns no state.
#include <cstring>

#include "sample_internal.h"

namespace {

const char* const FIRST[] = {
    "Anna",
    "Andr\xE9",
    "Bj\xF6rn",
    "Chlo\xE9",
    "Daniel",
    "Elena",
    "\xC9lodie",
    "Fran\xE7"
    "ois",
    "Gr\xE9goire",
    "Hannah",
    "Ingrid",
    "Jos\xE9",
    "J\xFCrgen",
    "Karin",
    "Lars",
    "Luc\xED"
    "a",
    "Mar\xED"
    "a",
    "Miguel",
    "Nathalie",
    "No\xEBl",
    "Olga",
    "\xC5sa",
    "Pablo",
    "Ren\xE9"
    "e",
    "S\xF8ren",
    "Sophie",
    "Thomas",
    "Ulrike",
    "Valentina",
    "William",
    "Yusuf",
    "Zo\xEB",
    "Fran\xE7oise",
    "In\xE8s",
    "Jo\xE3o",
    "I\xF1igo",
    "\xD6zlem",
    "John",
    "Mary",
    "Robert",
    "Jennifer",
    "Michael",
    "Linda",
    "David",
    "Susan",
    "James",
    "Patricia",
    "Peter",
    "Laura",
    "Kevin",
    "Emma",
    "Oliver",
    "Mia",
    "Noah",
    "Chen",
    "Wei",
    "Hiroshi",
    "Priya",
    "Ngozi",
    "Sean",
    "Mei",
    "Ahmed",
    "Fatima",
    "Lena",
    "Max",
    "Klaus",
    "Astrid",
    "Nils",
    "Ana\xEFs",
};

const char* const LAST[] = {
    "Smith",
    "Johnson",
    "M\xFCller",
    "Schr\xF6"
    "der",
    "Garc\xED"
    "a",
    "Mu\xF1oz",
    "Nu\xF1"
    "ez",
    "Dubois",
    "Lef\xE8vre",
    "Andersson",
    "\xD6"
    "berg",
    "Nystr\xF6m",
    "Sj\xF6gren",
    "Jensen",
    "N\xF8rgaard",
    "Kowalski",
    "Rossi",
    "Bianchi",
    "Fern\xE1ndez",
    "Gonz\xE1lez",
    "Pe\xF1"
    "a",
    "L\xF3pez",
    "Mart\xEDnez",
    "Silva",
    "Concei\xE7\xE3o",
    "Brown",
    "Taylor",
    "Wilson",
    "O'Brien",
    "McDonald",
    "van der Berg",
    "de la Cruz",
    "Nguyen",
    "Kim",
    "Tanaka",
    "Sato",
    "Patel",
    "Okafor",
    "Haddad",
    "Wei\xDF",
    "Gro\xDF"
    "e",
    "Fischer",
    "Zimmermann",
    "Clark",
    "Lewis",
    "Walker",
    "Young",
    "Allen",
    "Wright",
    "Scott",
    "Green",
    "Baker",
    "Adams",
    "Nelson",
    "Hill",
    "Campbell",
    "Mitchell",
    "Roberts",
    "Carter",
    "Phillips",
    "Evans",
    "Turner",
    "Torres",
    "Parker",
    "Collins",
    "Edwards",
    "Stewart",
    "Morris",
    "Murphy",
    "Cook",
    "Rogers",
    "Morgan",
    "Cooper",
    "Reed",
    "Bailey",
    "Bell",
    "G\xF3mez",
    "Kelly",
    "Howard",
    "Ward",
    "Cox",
    "D\xED"
    "az",
    "Richardson",
    "Wood",
    "Watson",
    "Brooks",
    "Bennett",
    "Gray",
    "Reyes",
    "Cruz",
    "Hughes",
    "Price",
    "Myers",
    "Long",
    "Foster",
    "Sanders",
    "Ross",
    "Morales",
    "Powell",
    "Sullivan",
    "Russell",
    "Ortiz",
    "Guti\xE9rrez",
    "Perry",
    "Butler",
    "Barnes",
    "Fisher",
    "Henderson",
    "Coleman",
    "Simmons",
    "Jordan",
    "Reynolds",
    "Hamilton",
    "Graham",
    "Ramos",
    "Wallace",
    "Griffin",
    "West",
    "Cole",
    "Hayes",
    "Gibson",
    "Ellis",
    "Stevens",
    "Murray",
    "Ford",
    "Marshall",
    "Lambert",
    "Moreau",
    "Girard",
    "Fontaine",
    "Beaumont",
    "Ch\xE2telet",
    "\xC5kesson",
    "Dvo\x9A\xE1k",
    "\xC9tienne",
    "smith",
    "MacLeod",
    "Holmstr\xF6m",
};

const char* const COMPANIES[] = {
    "Acme Corporation",
    "Globex",
    "Initech",
    "Umbrella Tours",
    "Soylent Foods",
    "Caf\xE9 Central",
    "B\xE4"
    "ckerei Schmidt",
    "Nordisk Tr\xE4hus",
    "Hooli",
    "Stark Industries",
    "Wayne Enterprises",
    "Vandelay Industries",
    "Dunder Mifflin",
    "Pied Piper",
    "Cyberdyne Systems",
    "Tyrell Corporation",
    "Wonka Confections",
    "Oceanic Airlines",
    "Massive Dynamic",
    "Blue Sun",
    "Bluth Company",
    "Los Pollos Hermanos",
    "Aperture Science",
    "Black Mesa",
    "Nakatomi Trading",
    "Wernham Hogg",
    "Sterling Cooper",
    "Strickland Propane",
    "Kr\xF8n Design",
    "M\xFCller & S\xF6hne",
    "\xC9"
    "ditions Lumi\xE8re",
    "Hotel Espa\xF1"
    "a",
    "Sm\xF8rrebr\xF8"
    "d Huset",
    "St. Mary's Hospital",
    "City Library",
    "Greenfield School",
    "Dr. Ortega's Dental",
    "Northwind Traders",
    "Contoso Ltd.",
    "Fabrikam",
    "Tailspin Toys",
    "Litware",
    "Adventure Works",
    "Wide World Importers",
    "Proseware",
    "Coho Winery",
    "Lucerne Publishing",
    "Margie's Travel",
};

const char* const TITLES[] = {
    "Sales Manager",  "Engineer",    "Director", "CEO",       "Accountant",
    "Designer",       "Consultant",  "Dentist",  "Professor", "Nurse",
    "Product Owner",  "Chef",        "Attorney", "Architect", "Photographer",
    "Office Manager", "Head of R&D", "Buyer",    "Secretary", "Sous-chef",
};

const char* const STREETS[] = {
    "#### Main St",
    "## Elm Street",
    "### Oak Avenue",
    "Hauptstra\xDF"
    "e ##",
    "##, rue de la Paix",
    "Calle Mayor ##",
    "Storgatan ##",
    "## Baker Street",
    "PO Box ####",
    "Apt #\n### Pine Road",
    "Rua Augusta ###",
    "Bahnhofstrasse ##",
    "Via Roma ##",
    "## Queen's Road",
    "Suite ###\n#### Market Street",
    "## Chemin des \xC9"
    "coles",
    "K\xF6nigsallee ##",
    "### Sunset Blvd",
    "#### Lakeshore Drive",
    "## Avenue du Mont-Royal",
};

const char* const DOMAINS[] = {
    "example.com", "example.org", "example.net", "mail.example.com", "post.example.de",
};

const char* const GROUPS[] = {
    "Golf Club", "Book Club", "Choir", "Family", "Soccer Team", "Neighbours", "Project Apollo",
};

const char* const NOTE_LINES[] = {
    "Met at the trade fair.",
    "Prefers e-mail over phone.",
    "Call after 6 pm.",
    "Allergic to nuts.\nBring flowers next time.",
    "Owes me a coffee.",
    "Met through Anna.",
    "Gate code 4711.",
    "Very helpful with the move.",
    "Send a card at Christmas.",
    "Speaks French and German.",
    "Caf\xE9 au lait, no sugar.",
    "R\xE9sum\xE9 sent on Monday.",
    "Ask about the \x93"
    "blue"
    "\x94 project.",
    "Lives next to the bakery.\nDog: Rex.",
};

const char* const CUSTOM_TEXTS[] = {
    "Blood type A+", "Likes jazz",         "Shoe size 42", "Spouse: Maria",   "Kids: Tom, Lisa",
    "Vegetarian",    "Customer no. 10234", "Badge 7731",   "Plays the cello", "Fan of FC K\xF6ln",
};

// "#" is a digit. Plain digit runs of 7 and 10 digits match the default
// phone templates.
const char* const PHONE_PATTERNS[] = {
    "555-####",         "(555) ###-####", "555#######",     "555####",      "+49 30 #######",
    "+44 20 #### ####", "555 ####",       "1-800-###-####", "###.###.####", "+33 1 ## ## ## ##",
};

}  // namespace

#define SAMPLE_LIST(name, array) \
  const SampleList name = {array, uint32_t(sizeof(array) / sizeof(array[0]))}

SAMPLE_LIST(SAMPLE_FIRST_NAMES, FIRST);
SAMPLE_LIST(SAMPLE_LAST_NAMES, LAST);
SAMPLE_LIST(SAMPLE_COMPANIES, COMPANIES);
SAMPLE_LIST(SAMPLE_TITLES, TITLES);
SAMPLE_LIST(SAMPLE_STREETS, STREETS);
SAMPLE_LIST(SAMPLE_DOMAINS, DOMAINS);
SAMPLE_LIST(SAMPLE_GROUPS, GROUPS);
SAMPLE_LIST(SAMPLE_NOTE_LINES, NOTE_LINES);
SAMPLE_LIST(SAMPLE_CUSTOM_TEXTS, CUSTOM_TEXTS);
SAMPLE_LIST(SAMPLE_PHONE_PATTERNS, PHONE_PATTERNS);

const SamplePlace SAMPLE_PLACES[] = {
    {"Springfield", "IL", "627##", "USA"},
    {"Portland", "OR", "972##", "USA"},
    {"Austin", "TX", "787##", "USA"},
    {"Boston", "MA", "021##", ""},
    {"San Jos\xE9", "CA", "951##", "USA"},
    {"Seattle", "WA", "981##", ""},
    {"New York", "NY", "100##", "USA"},
    {"Z\xFCrich", "", "80##", "Switzerland"},
    {"M\xFCnchen", "Bayern", "80###", "Germany"},
    {"K\xF6ln", "", "50###", "Deutschland"},
    {"Malm\xF6", "", "211 ##", "Sweden"},
    {"G\xF6teborg", "", "411 ##", "Sverige"},
    {"Montr\xE9"
     "al",
     "QC", "H#X #Y#", "Canada"},
    {"Qu\xE9"
     "bec",
     "QC", "G#R #B#", "Canada"},
    {"A Coru\xF1"
     "a",
     "Galicia", "150##",
     "Espa\xF1"
     "a"},
    {"S\xE3o Paulo", "SP", "01###-###", "Brazil"},
    {"Paris", "", "750##", "France"},
    {"Besan\xE7on", "", "25000", "France"},
    {"K\xF8"
     "benhavn",
     "", "1###", "Danmark"},
    {"Reykjav\xEDk", "", "1##", "Iceland"},
    {"London", "", "SW1A #AA", "United Kingdom"},
    {"Dublin", "", "D0#", "Ireland"},
    {"Tokyo", "", "1##-####", "Japan"},
    {"Sydney", "NSW", "2###", "Australia"},
    {"Wien", "", "1###", "\xD6sterreich"},
};
const uint32_t SAMPLE_PLACE_COUNT = uint32_t(sizeof(SAMPLE_PLACES) / sizeof(SAMPLE_PLACES[0]));

const char* const SAMPLE_CATEGORY_NAMES[12] = {
    "Family", "Clubs",   "Travel",     "Suppliers", "Clients", "School",
    "Sports", "Medical", "Neighbours", "Holiday",   "Friends", "Archive",
};

const char* SamplePick(SampleRng* rng, const SampleList& list) {
  return list.items[SampleBelow(rng, list.count)];
}

std::string SampleDigits(SampleRng* rng, const char* pattern) {
  std::string out;
  bool first = true;
  for (const char* p = pattern; *p; p++) {
    if (*p != '#') {
      out += *p;
      continue;
    }
    out += char(first ? '1' + SampleBelow(rng, 9) : '0' + SampleBelow(rng, 10));
    first = false;
  }
  return out;
}

std::string SampleAscii(const std::string& text) {
  // 0xC0-0xFF of the handheld's set with their accents dropped ("-": none).
  static const char kFold[] = "aaaaaaaceeeeiiiidnooooo-ouuuuy-saaaaaaaceeeeiiiidnooooo-ouuuuy-y";
  std::string out;
  for (char c : text) {
    uint8_t u = uint8_t(c);
    if (u >= 'A' && u <= 'Z')
      out += char(u - 'A' + 'a');
    else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
      out += char(u);
    else if (u == 0x9A)
      out += 's';  // š
    else if (u >= 0xC0 && kFold[u - 0xC0] != '-')
      out += kFold[u - 0xC0];
  }
  return out;
}
