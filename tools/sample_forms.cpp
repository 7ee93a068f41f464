#include "tools/sample_forms.h"

#include <string>
#include <vector>

namespace kalvire::tools {
namespace {

IfrItem Item(IfrItemKind kind, uint16_t prompt, uint16_t help) {
  IfrItem item;
  item.kind = kind;
  item.prompt = prompt;
  item.help = help;
  return item;
}

IfrForm Form(uint16_t form_id, uint16_t title) {
  IfrForm form;
  form.form_id = form_id;
  form.title = title;
  return form;
}

// Builds items with shared strings, consecutive question ids and variable offsets, and a fixed
// spread of hidden items and access levels so that every state occurs in the sample.
class FormsRecipe {
 public:
  uint16_t S(std::string_view text) { return m_strings.Add(text); }

  IfrItem Subtitle(std::string_view prompt) {
    IfrItem item = Item(IfrItemKind::kSubtitle, S(prompt), S(""));
    return item;
  }
  IfrItem Text(std::string_view prompt, std::string_view value) {
    IfrItem item = Item(IfrItemKind::kText, S(prompt), S(""));
    item.text_two = S(value);
    return Spread(item);
  }
  IfrItem Ref(std::string_view prompt, uint16_t form_id) {
    IfrItem item = Question(IfrItemKind::kRef, prompt);
    item.ref_form_id = form_id;
    return item;
  }
  IfrItem OneOf(std::string_view prompt, const std::vector<std::string>& texts,
                size_t default_index, uint8_t width = 1, std::vector<uint64_t> values = {}) {
    IfrItem item = Stored(IfrItemKind::kOneOf, prompt, width, kSetupVarStoreId);
    for (size_t i = 0; i < texts.size(); ++i) {
      item.options.push_back({S(texts[i]), values.empty() ? uint64_t(i) : values[i]});
    }
    item.default_value = item.options.at(default_index).value;
    return item;
  }
  IfrItem EnabledDisabled(std::string_view prompt, bool enabled_default) {
    IfrItem item = OneOf(prompt, {"Disabled", "Enabled"}, enabled_default ? 1 : 0);
    return item;
  }
  // Checkbox defaults stay 0: the editor's baseline reads values from popup and numeric
  // controls only, so a checkbox that defaults to 1 would show as changed right after Open.
  IfrItem Checkbox(std::string_view prompt, uint16_t varstore = kSetupVarStoreId) {
    return Stored(IfrItemKind::kCheckbox, prompt, 1, varstore);
  }
  IfrItem Numeric(std::string_view prompt, uint64_t minimum, uint64_t maximum,
                  uint64_t default_value, uint8_t width = 1) {
    IfrItem item = Stored(IfrItemKind::kNumeric, prompt, width, kSetupVarStoreId);
    item.minimum = minimum;
    item.maximum = maximum;
    item.step = 1;
    item.default_value = default_value;
    return item;
  }
  IfrItem Password(std::string_view prompt) {
    IfrItem item = Question(IfrItemKind::kPassword, prompt);
    item.varstore_id = kTseVarStoreId;
    item.var_offset = Allocate(kTseVarStoreId, 40);  // 20 UCS-2 characters
    return item;
  }
  IfrItem Plain(IfrItemKind kind, std::string_view prompt) { return Question(kind, prompt); }
  IfrItem OrderedList(std::string_view prompt, const std::vector<std::string>& texts) {
    IfrItem item = Question(IfrItemKind::kOrderedList, prompt);
    item.varstore_id = kSetupVarStoreId;
    item.var_offset = Allocate(kSetupVarStoreId, uint16_t(texts.size()));
    for (size_t i = 0; i < texts.size(); ++i) item.options.push_back({S(texts[i]), i + 1});
    return item;
  }

  uint16_t VariableSize(uint16_t varstore) const { return m_next_offset[varstore]; }
  HiiStrings& strings() { return m_strings; }

 private:
  IfrItem Question(IfrItemKind kind, std::string_view prompt) {
    IfrItem item = Item(kind, S(prompt), S(std::string(prompt) + " settings."));
    item.question_id = m_next_question++;
    return Spread(item);
  }
  IfrItem Stored(IfrItemKind kind, std::string_view prompt, uint8_t width, uint16_t varstore) {
    IfrItem item = Question(kind, prompt);
    item.width = width;
    item.varstore_id = varstore;
    item.var_offset = Allocate(varstore, width);
    return item;
  }
  uint16_t Allocate(uint16_t varstore, uint16_t width) {
    const uint16_t offset = m_next_offset[varstore];
    m_next_offset[varstore] = uint16_t(offset + width);
    return offset;
  }
  IfrItem Spread(IfrItem item) {
    const unsigned n = m_spread++;
    if (n % 23 == 11) item.visible = false;
    item.access_level = n % 17 == 5 ? 3 : n % 13 == 7 ? 2 : n % 19 == 3 ? 1 : 0;
    if (n % 29 == 17) item.condition = IfrCondition::kSuppressIfFalse;
    if (n % 31 == 9) item.condition = IfrCondition::kGrayOutIfFalse;
    return item;
  }

  HiiStrings m_strings;
  uint16_t m_next_question = 0x1000;
  uint16_t m_next_offset[3] = {0, 0, 0};
  unsigned m_spread = 0;
};

std::string Numbered(std::string_view text, int n) {
  return std::string(text) + std::to_string(n);
}

constexpr uint16_t kMainForm = 1024, kAdvancedForm = 2048, kChipsetForm = 3072,
                   kSecurityForm = 4096, kBootForm = 5120, kExitForm = 6144;

IfrFormSet MainFormSet(FormsRecipe& r) {
  IfrForm main = Form(kMainForm, r.S("Main"));
  auto& f = main.items;
  f.push_back(r.Subtitle("BIOS Information"));
  f.push_back(r.Text("BIOS Vendor", "American Megatrends"));
  f.push_back(r.Text("Core Version", "5.27"));
  f.push_back(r.Text("Compliancy", "UEFI 2.8; PI 1.7"));
  f.push_back(r.Text("Project Version", "KALV0 1.12 x64"));
  f.push_back(r.Text("Build Date and Time", "03/14/2024 10:21:07"));
  f.push_back(r.Text("Access Level", "Administrator"));
  f.push_back(r.Subtitle("Memory Information"));
  f.push_back(r.Text("Total Memory", "32768 MB"));
  f.push_back(r.Text("Memory Frequency", "3200 MHz"));
  f.push_back(r.Plain(IfrItemKind::kString, "Asset Tag"));
  f.push_back(r.OneOf("System Language", {"English"}, 0));
  f.push_back(r.Plain(IfrItemKind::kDate, "System Date"));
  f.push_back(r.Plain(IfrItemKind::kTime, "System Time"));
  f.push_back(r.Ref("Advanced", kAdvancedForm));
  f.push_back(r.Ref("Chipset", kChipsetForm));
  f.push_back(r.Ref("Security", kSecurityForm));
  f.push_back(r.Ref("Boot", kBootForm));
  f.push_back(r.Ref("Save & Exit", kExitForm));
  return {GuidFromString("ACA9F304-21E2-4852-9875-7FF4881D67A5"), r.S("Main"), r.S(""), {}, {main}};
}

IfrForm CpuPowerForm(FormsRecipe& r, uint16_t id) {
  IfrForm form = Form(id, r.S("CPU Power Management Configuration"));
  auto& f = form.items;
  f.push_back(r.Subtitle("CPU Power Management Configuration"));
  f.push_back(r.EnabledDisabled("Intel(R) SpeedStep(tm)", true));
  f.push_back(r.EnabledDisabled("Intel(R) Speed Shift Technology", true));
  f.push_back(r.EnabledDisabled("Turbo Mode", true));
  f.push_back(r.EnabledDisabled("C states", true));
  f.push_back(r.EnabledDisabled("Enhanced C-states", true));
  f.push_back(r.OneOf("Package C State Limit",
                      {"C0/C1", "C2", "C3", "C6", "C7", "C7S", "C8", "C9", "C10", "Auto"}, 9));
  f.push_back(r.Numeric("Power Limit 1", 0, 4095875, 0, 4));
  f.push_back(r.Numeric("Power Limit 1 Time Window", 0, 128, 28));
  f.push_back(r.Numeric("Power Limit 2", 0, 4095875, 0, 4));
  f.push_back(r.Checkbox("Power Limit 1 Override"));
  f.push_back(r.Checkbox("Power Limit 2 Override"));
  f.push_back(r.Numeric("Energy Performance Gain", 0, 15, 7));
  return form;
}

IfrFormSet AdvancedFormSet(FormsRecipe& r) {
  std::vector<IfrForm> forms;
  IfrForm top = Form(kAdvancedForm, r.S("Advanced"));
  const char* const kPages[] = {"CPU Configuration",           "SATA Configuration",
                                "USB Configuration",           "ACPI Settings",
                                "Network Stack Configuration", "Trusted Computing",
                                "Super IO Configuration",      "H/W Monitor"};
  for (int i = 0; i < 8; ++i)
    top.items.push_back(r.Ref(kPages[i], uint16_t(kAdvancedForm + 1 + i)));
  forms.push_back(top);

  IfrForm cpu = Form(kAdvancedForm + 1, r.S("CPU Configuration"));
  cpu.items = {r.Subtitle("CPU Configuration"),
               r.Text("Processor Type", "Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz"),
               r.Text("Processor ID", "A0655"),
               r.Text("L1 Data Cache", "32 KB x 8"),
               r.Text("L2 Cache", "256 KB x 8"),
               r.Text("L3 Cache", "16 MB"),
               r.EnabledDisabled("Intel (VMX) Virtualization Technology", true),
               r.OneOf("Active Processor Cores", {"All", "1", "2", "3", "4", "5", "6", "7"}, 0),
               r.EnabledDisabled("Hyper-Threading", true),
               r.EnabledDisabled("Hardware Prefetcher", true),
               r.EnabledDisabled("Adjacent Cache Line Prefetch", true),
               r.EnabledDisabled("Execute Disable Bit", true),
               r.EnabledDisabled("Intel Trusted Execution Technology", false),
               r.EnabledDisabled("AES", true),
               r.OneOf("Boot performance mode",
                       {"Max Battery", "Max Non-Turbo Performance", "Turbo Performance"}, 2),
               r.Ref("CPU Power Management Configuration", kAdvancedForm + 20)};
  forms.push_back(cpu);

  IfrForm sata = Form(kAdvancedForm + 2, r.S("SATA Configuration"));
  sata.items = {r.EnabledDisabled("SATA Controller(s)", true),
                r.OneOf("SATA Mode Selection", {"AHCI", "Intel RST Premium"}, 0),
                r.EnabledDisabled("Aggressive LPM Support", false)};
  for (int port = 0; port < 8; ++port) {
    sata.items.push_back(r.Subtitle(Numbered("SATA Port ", port)));
    sata.items.push_back(r.Text("Software Preserve", "Unknown"));
    sata.items.push_back(r.EnabledDisabled(Numbered("Port ", port), true));
    sata.items.push_back(r.EnabledDisabled("Hot Plug", false));
    sata.items.push_back(r.Checkbox("Spin Up Device"));
    sata.items.push_back(r.OneOf("SATA Device Type", {"Hard Disk Drive", "Solid State Drive"}, 0));
  }
  forms.push_back(sata);

  IfrForm usb = Form(kAdvancedForm + 3, r.S("USB Configuration"));
  usb.items = {r.Subtitle("USB Configuration"),
               r.Text("USB Module Version", "24"),
               r.OneOf("Legacy USB Support", {"Enabled", "Disabled", "Auto"}, 0),
               r.EnabledDisabled("XHCI Hand-off", true),
               r.EnabledDisabled("USB Mass Storage Driver Support", true),
               r.OneOf("USB transfer time-out", {"1 sec", "5 sec", "10 sec", "20 sec"}, 3),
               r.OneOf("Device reset time-out", {"10 sec", "20 sec", "30 sec", "40 sec"}, 1),
               r.OneOf("Device power-up delay", {"Auto", "Manual"}, 0),
               r.Numeric("Device power-up delay in seconds", 1, 40, 5)};
  for (int port = 1; port <= 14; ++port)
    usb.items.push_back(r.Checkbox(Numbered("USB Port ", port)));
  forms.push_back(usb);

  IfrForm acpi = Form(kAdvancedForm + 4, r.S("ACPI Settings"));
  acpi.items = {r.EnabledDisabled("Enable ACPI Auto Configuration", false),
                r.EnabledDisabled("Enable Hibernation", true),
                r.OneOf("ACPI Sleep State", {"Suspend Disabled", "S3 (Suspend to RAM)"}, 1),
                r.EnabledDisabled("Lock Legacy Resources", false),
                r.OneOf("S3 Video Repost", {"Disabled", "Enabled"}, 0)};
  forms.push_back(acpi);

  IfrForm net = Form(kAdvancedForm + 5, r.S("Network Stack Configuration"));
  net.items = {
      r.EnabledDisabled("Network Stack", false),     r.EnabledDisabled("Ipv4 PXE Support", true),
      r.EnabledDisabled("Ipv4 HTTP Support", false), r.EnabledDisabled("Ipv6 PXE Support", false),
      r.EnabledDisabled("Ipv6 HTTP Support", false), r.EnabledDisabled("PXE boot wait time", false),
      r.Numeric("Media detect count", 1, 50, 1)};
  forms.push_back(net);

  IfrForm tpm = Form(kAdvancedForm + 6, r.S("Trusted Computing"));
  tpm.items = {r.Subtitle("TPM 2.0 Device Found"),
               r.Text("Firmware Version", "7.2"),
               r.Text("Vendor", "INTC"),
               r.EnabledDisabled("Security Device Support", true),
               r.EnabledDisabled("SHA-1 PCR Bank", false),
               r.EnabledDisabled("SHA256 PCR Bank", true),
               r.OneOf("Pending operation", {"None", "TPM Clear"}, 0),
               r.EnabledDisabled("Platform Hierarchy", true),
               r.EnabledDisabled("Storage Hierarchy", true),
               r.EnabledDisabled("Endorsement Hierarchy", true),
               r.OneOf("TPM 2.0 UEFI Interface Version", {"TCG_1_2", "TCG_2"}, 1)};
  forms.push_back(tpm);

  IfrForm sio = Form(kAdvancedForm + 7, r.S("Super IO Configuration"));
  sio.items = {r.Subtitle("Super IO Configuration"), r.Text("Super IO Chip", "NCT6796D"),
               r.Ref("Serial Port 1 Configuration", kAdvancedForm + 21)};
  forms.push_back(sio);

  IfrForm hw = Form(kAdvancedForm + 8, r.S("H/W Monitor"));
  hw.items = {r.Subtitle("Pc Health Status"),
              r.Text("CPU temperature", "+38 C"),
              r.Text("System temperature", "+31 C"),
              r.Text("CPU Fan Speed", "1035 RPM"),
              r.Text("VCORE", "+1.056 V"),
              r.OneOf("Smart Fan Mode", {"Silent", "Standard", "Performance", "Full Speed"}, 1),
              r.Numeric("CPU Fan Target Speed", 0, 5000, 1200, 2),
              r.Numeric("Fan Stop Temperature", 0, 100, 30),
              r.EnabledDisabled("Fan Failure Warning", true)};
  forms.push_back(hw);

  forms.push_back(CpuPowerForm(r, kAdvancedForm + 20));
  IfrForm serial = Form(kAdvancedForm + 21, r.S("Serial Port 1 Configuration"));
  serial.items = {
      r.EnabledDisabled("Serial Port", true),
      r.OneOf("Change Settings", {"Auto", "IO=3F8h; IRQ=4", "IO=2F8h; IRQ=3", "IO=3E8h; IRQ=4"}, 0,
              2, {0, 0x3F8, 0x2F8, 0x3E8})};
  forms.push_back(serial);

  // Not referenced by any form: the editor shows it under the formset's main form.
  IfrForm debug = Form(kAdvancedForm + 30, r.S("Debug Settings"));
  debug.items = {r.EnabledDisabled("Serial Debug Messages", false),
                 r.OneOf("Debug Print Level", {"Disabled", "Errors", "Warnings", "Verbose"}, 1, 4,
                         {0, 0x80000000, 0x80000002, 0x80400046}),
                 r.Checkbox("Halt On Assert")};
  forms.push_back(debug);

  return {
      GuidFromString("C6D4769E-7F48-4D2A-98E9-87ADCCF35CCC"), r.S("Advanced"), r.S(""), {}, forms};
}

IfrFormSet ChipsetFormSet(FormsRecipe& r) {
  std::vector<IfrForm> forms;
  IfrForm top = Form(kChipsetForm, r.S("Chipset"));
  top.items = {r.Ref("System Agent (SA) Configuration", kChipsetForm + 1),
               r.Ref("PCH-IO Configuration", kChipsetForm + 2)};
  forms.push_back(top);

  IfrForm sa = Form(kChipsetForm + 1, r.S("System Agent (SA) Configuration"));
  sa.items = {r.Subtitle("Graphics Configuration"),
              r.OneOf("Primary Display", {"Auto", "IGFX", "PEG", "PCI"}, 0),
              r.OneOf("DVMT Pre-Allocated", {"32M", "64M", "128M", "256M"}, 1, 1, {1, 2, 4, 8}),
              r.OneOf("Aperture Size", {"128MB", "256MB", "512MB", "1024MB", "2048MB"}, 1, 2,
                      {128, 256, 512, 1024, 2048}),
              r.OneOf("Max TOLUD", {"Dynamic", "1 GB", "2 GB", "3 GB"}, 0, 4,
                      {0, 0x40000000, 0x80000000, 0xC0000000}),
              r.OneOf("Memory Remap Base", {"Auto", "4 GB", "64 GB"}, 0, 8,
                      {0, 0x100000000ull, 0x1000000000ull}),
              r.Numeric("Above 4GB MMIO Limit", 0, 0xFFFFFFFFFFull, 0x4000000000ull, 8),
              r.EnabledDisabled("VT-d", true),
              r.EnabledDisabled("Above 4G Decoding", false)};
  forms.push_back(sa);

  IfrForm pch = Form(kChipsetForm + 2, r.S("PCH-IO Configuration"));
  pch.items = {r.Ref("PCI Express Configuration", kChipsetForm + 3),
               r.EnabledDisabled("PCH LAN Controller", true),
               r.EnabledDisabled("Wake on LAN Enable", false),
               r.OneOf("State After G3", {"S0 State", "S5 State"}, 1),
               r.OneOf("HD Audio", {"Disabled", "Enabled"}, 1)};
  forms.push_back(pch);

  constexpr int kRootPorts = 24;
  IfrForm pcie = Form(kChipsetForm + 3, r.S("PCI Express Configuration"));
  pcie.items.push_back(r.EnabledDisabled("PCI Express Clock Gating", true));
  pcie.items.push_back(r.EnabledDisabled("DMI Link ASPM Control", true));
  for (int port = 1; port <= kRootPorts; ++port) {
    pcie.items.push_back(
        r.Ref(Numbered("PCI Express Root Port ", port), uint16_t(kChipsetForm + 100 + port)));
  }
  forms.push_back(pcie);
  for (int port = 1; port <= kRootPorts; ++port) {
    IfrForm rp =
        Form(uint16_t(kChipsetForm + 100 + port), r.S(Numbered("PCI Express Root Port ", port)));
    rp.items = {r.EnabledDisabled(Numbered("PCI Express Root Port ", port), port <= 20),
                r.OneOf("ASPM", {"Disabled", "L0s", "L1", "L0sL1", "Auto"}, 4),
                r.OneOf("L1 Substates", {"Disabled", "L1.1", "L1.1 & L1.2"}, 2),
                r.EnabledDisabled("ACS", true),
                r.EnabledDisabled("PTM", true),
                r.EnabledDisabled("DPC", true),
                r.EnabledDisabled("Hot Plug", false),
                r.OneOf("PCIe Speed", {"Auto", "Gen1", "Gen2", "Gen3"}, 0),
                r.Numeric("Detect Timeout", 0, 65535, 0, 2),
                r.Numeric("Extra Bus Reserved", 0, 7, 0),
                r.Numeric("Reserved Memory", 1, 20, 10, 2),
                r.Numeric("Prefetchable Memory", 1, 20, 10, 2),
                r.Numeric("Reserved I/O", 4, 20, 4)};
    forms.push_back(rp);
  }
  return {
      GuidFromString("ADFE34C8-9AE1-4F8F-BE13-CF96A2CB2C5B"), r.S("Chipset"), r.S(""), {}, forms};
}

IfrFormSet SecurityFormSet(FormsRecipe& r) {
  IfrForm top = Form(kSecurityForm, r.S("Security"));
  top.items = {r.Subtitle("Password Description"), r.Text("Minimum length", "3"),
               r.Text("Maximum length", "20"),     r.Password("Administrator Password"),
               r.Password("User Password"),        r.Ref("Secure Boot", kSecurityForm + 1)};
  IfrForm sb = Form(kSecurityForm + 1, r.S("Secure Boot"));
  sb.items = {r.Text("System Mode", "User"), r.EnabledDisabled("Secure Boot", false),
              r.OneOf("Secure Boot Mode", {"Standard", "Custom"}, 1),
              r.Plain(IfrItemKind::kAction, "Restore Factory Keys"),
              r.Plain(IfrItemKind::kAction, "Reset To Setup Mode")};
  return {GuidFromString("981CEAEE-931C-4A17-B9C8-66C7BCFD77E1"),
          r.S("Security"),
          r.S(""),
          {},
          {top, sb}};
}

IfrFormSet BootFormSet(FormsRecipe& r) {
  IfrForm top = Form(kBootForm, r.S("Boot"));
  auto& f = top.items;
  f.push_back(r.Text("Boot Configuration Version", "1.0"));  // before any subtitle
  f.push_back(r.Subtitle("Boot Configuration"));
  f.push_back(r.Numeric("Setup Prompt Timeout", 0, 65535, 1, 2));
  f.push_back(r.OneOf("Bootup NumLock State", {"On", "Off"}, 0));
  f.push_back(r.Checkbox("Quiet Boot", kTseVarStoreId));
  f.push_back(r.EnabledDisabled("Fast Boot", false));
  f.push_back(r.Subtitle("Boot Option Priorities"));
  const std::vector<std::string> devices = {"UEFI OS", "UEFI: Built-in EFI Shell", "UEFI: PXE IPv4",
                                            "Hard Disk", "Disabled"};
  for (int n = 1; n <= 4; ++n) f.push_back(r.OneOf(Numbered("Boot Option #", n), devices, n - 1));
  f.push_back(r.OrderedList("Boot Order", devices));
  f.push_back(r.Ref("Hard Drive BBS Priorities", kBootForm + 1));
  IfrForm bbs = Form(kBootForm + 1, r.S("Hard Drive BBS Priorities"));
  bbs.items = {r.OneOf("Boot Option #1", devices, 3), r.OneOf("Boot Option #2", devices, 4)};
  return {
      GuidFromString("B4909CF3-7B93-4751-9DD8-5BA1A4F1A7FE"), r.S("Boot"), r.S(""), {}, {top, bbs}};
}

IfrFormSet ExitFormSet(FormsRecipe& r) {
  IfrForm top = Form(kExitForm, r.S("Save & Exit"));
  top.items = {r.Subtitle("Save Options"),
               r.Plain(IfrItemKind::kAction, "Save Changes and Exit"),
               r.Plain(IfrItemKind::kAction, "Discard Changes and Exit"),
               r.Plain(IfrItemKind::kAction, "Save Changes and Reset"),
               r.Subtitle("Default Options"),
               r.Plain(IfrItemKind::kAction, "Restore Defaults"),
               r.Text("Boot Override", "UEFI OS")};
  return {GuidFromString("A1E37052-80D9-4E65-A317-3E9A55C43EC9"),
          r.S("Save & Exit"),
          r.S(""),
          {},
          {top}};
}

}  // namespace

HiiPackageList BuildSampleForms() {
  FormsRecipe r;
  r.S("English");  // string id 1: the language name
  FormsPackage package = {MainFormSet(r),     AdvancedFormSet(r), ChipsetFormSet(r),
                          SecurityFormSet(r), BootFormSet(r),     ExitFormSet(r)};
  // Every formset declares both variables, as the editor finds a question's variable through
  // the formset that holds the top form of the question's branch.
  const std::vector<IfrVarStore> varstores = {
      {kSetupVariableGuid, kSetupVarStoreId, r.VariableSize(kSetupVarStoreId), "Setup"},
      {kSetupVariableGuid, kTseVarStoreId, r.VariableSize(kTseVarStoreId), "AMITSESetup"}};
  for (IfrFormSet& formset : package) formset.varstores = varstores;

  HiiPackageList list;
  list.guid = kHiiPe32ListGuid;
  list.forms_packages = {package};
  list.string_packages = {StringPackage{"en-US", 1, r.strings().texts()}};
  return list;
}

}  // namespace kalvire::tools
