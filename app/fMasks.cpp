#include "app/fMasks.h"

#include <algorithm>
#include <cstdio>

#include "app/DeviceController.h"
#include "app/fLoops.h"
#include "link/DevCommands.h"
#include "platform/Text.h"
#include "ui/Layout.h"

TFormMasks* FormMasks = nullptr;

const TC2000Event EventTable83[83] = {
    {"ПОЖАР", "1110"},
    {"ВНИМАНИЕ", "1118"},
    {"ТРЕВОГА", "1130"},
    {"ТИХАЯ ТРЕВОГА", "1122"},
    {"ТРЕВОГА ВХОДА", "1134"},
    {"ОБРЫВ ШС", "1371"},
    {"КОРОТКОЕ ЗАМЫКАН", "1372"},
    {"НЕИСПРАВНОСТЬ", "1380"},
    {"ВОССТАНОВЛЕНИЕ", "3380"},
    {"ОШИБКА ПАРАМ.ШС", "1380"},
    {"ОТКЛЮЧЕН ШС", "1382"},
    {"ВОССТ.ЗОНЫ", "3382"},
    {"НЕВЗЯТИЕ", "1374"},
    {"СБРОС ТРЕВОГИ ШС", "3406"},
    {"ВЗЯТ ШС", "3400"},
    {"СНЯТ ШС", "1400"},
    {"ВЗЛОМ КОРПУСА", "1341"},
    {"ВОССТ.КОРПУСА", "3341"},
    {"СРАБОТКА ДАТЧИКА", "1118"},
    {"НЕОБХ.ОБСЛ", "3393"},
    {"ПОВЫШ.ТЕМПЕР.", "1158"},
    {"ПОНИЖ.ТЕМПЕР.", "1159"},
    {"НОРМА ТЕМПЕР.", "3158"},
    {"НЕИСП.ТЕРМОМЕТРА", "1380"},
    {"АВАРИЯ ПИТАНИЯ", "1337"},
    {"ВОССТ.ПИТАНИЯ", "3337"},
    {"АВАРИЯ БАТАРЕИ", "1338"},
    {"ВОССТ.БАТАРЕИ", "3338"},
    {"АВАРИЯ 220В", "1301"},
    {"ВОССТ.220В", "3301"},
    {"СБРОС ПРИБОРА", "3339"},
    {"ПОТЕРЯН ПРИБОР", "1333"},
    {"ОБНАРУЖЕН ПРИБОР", "3333"},
    {"ОТКЛ.ВЕТВИ RS485", "1331"},
    {"ВСТ.ВЕТВИ RS485", "3331"},
    {"КЗ ДПЛС", "1332"},
    {"ВОССТАНОВЛ.ДПЛС", "3332"},
    {"НАРУШ.ТЕХНОЛ.ШС", "1150"},
    {"ВОССТ.ТЕХНОЛ.ШС", "3150"},
    {"НЕНОРМА ШС", "1331"},
    {"ВОССТАНОВЛ.ШС", "3331"},
    {"РАЗДЕЛ ВЗЯТ", "3402"},
    {"РАЗДЕЛ СНЯТ", "1402"},
    {"ЗАПРОС ВЗЯТИЯ", "3462"},
    {"ЗАПРОС СНЯТИЯ", "1462"},
    {"ИДЕНТИФИКАЦИЯ ХО", "1401"},
    {"ОБРЫВ ВЫХОДА", "1320"},
    {"КЗ ВЫХОДА", "1320"},
    {"ОТКЛ.ВЫХОДА", "1382"},
    {"ВОССТ.ВЫХОДА", "3382"},
    {"УСПЕШНЫЙ ЗАПУСК", "3560"},
    {"НЕУСП.ЗАПУСК", "1560"},
    {"АВТОМАТИКА ВЫКЛ.", "1561"},
    {"АВТОМАТИКА ВКЛ.", "3561"},
    {"ПУСК АСПТ", "3119"},
    {"ЗАДЕРЖКА ЗАПУСКА", "3119"},
    {"БЛОКИР.ПУСКА", "1119"},
    {"АВАРИЙНЫЙ ПУСК", "1119"},
    {"СРАБАТЫВАНИЕ СДУ", "1308"},
    {"ОТКАЗ СДУ", "1308"},
    {"ПРОХОД", "1458"},
    {"ДОСТУП ОТКЛОНЕН", "3461"},
    {"ДОСТУП ПРЕДОСТАВ", "3421"},
    {"ДОСТУП ЗАПРЕЩЕН", "1421"},
    {"ДОСТУП ЗАКРЫТ", "1421"},
    {"ДОСТУП ОТКРЫТ", "3421"},
    {"ДОСТУП ВОССТАНОВ", "3421"},
    {"ДВЕРЬ ЗАБЛОКИР.", "1426"},
    {"ДВЕРЬ РАЗБЛОКИР.", "3426"},
    {"ДВЕРЬ ВЗЛОМАНА", "1426"},
    {"ПРОГРАММИРОВАНИЕ", "1627"},
    {"НЕИСПР.ТЕЛ. ЛИНИИ", "1351"},
    {"ЖУРНАЛ ЗАПОЛНЕН", "1623"},
    {"ЖУРНАЛ ПЕРЕПОЛН.", "1624"},
    {"ЗАПУСК ТЕСТА", "1601"},
    {"РЕАКЦИЯ", "1406"},
    {"ВКЛЮЧЕНИЕ ПУЛЬТА", "3305"},
    {"ВКЛ.ПРИНТЕРА", "3336"},
    {"ВЫКЛ.ПРИНТЕРА", "1336"},
    {"ИЗМ.ДАТЫ", "1625"},
    {"ИЗМ.ВРЕМЕНИ", "1625"},
    {"ДАТА", "1625"},
    {"ОТМЕТКА ВРЕМЕНИ", "1625"},
};

const TC2000Event EventTable51[51] = {
    {"ПОДКЛЮЧЕН ВЫХОД", "3382"},
    {"ОТКЛЮЧЕН ВЫХОД", "1382"},
    {"ОТКЛЮЧЕН", "1382"},
    {"ПОДКЛЮЧЕН", "3382"},
    {"ВКЛ.ТЕСТ ИЗВЕЩ.", "1607"},
    {"ВЫКЛ.ТЕСТ ИЗВЕЩ.", "3607"},
    {"ТЕСТ ИЗВЕЩАТЕЛЯ", "1611"},
    {"НЕИСП. ТЕРМОМЕТРА", "1380"},
    {"ВКЛ. НАСОСА", "1205"},
    {"ВЫКЛ. НАСОСА", "3205"},
    {"АКБ РАЗРЯЖЕНА", "1302"},
    {"ОШИБКА ТЕСТА АКБ", "1309"},
    {"ПЕРЕГРУЗКА РИП", "1312"},
    {"УСТР. ПЕРЕГР. РИП", "3312"},
    {"АВАРИЯ ДПЛС", "1332"},
    {"ОШИБКА В ОТВЕТЕ", "1382"},
    {"НЕУСТ. СВЯЗЬ", "1382"},
    {"ВОССТ. ТЕЛ. ЛИНИИ", "3351"},
    {"ОШИБКА ТЕСТА", "1343"},
    {"ПУСК АУП", "3119"},
    {"ТУШЕНИЕ", "3113"},
    {"НЕУДАЧНЫЙ ПУСК", "1560"},
    {"ОТМЕНА ПУСКА", "1560"},
    {"ЗАДЕРЖКА ВЗЯТИЯ", "3404"},
    {"ВКЛ. КОНТРОЛЬ ШС", "3341"},
    {"НАРУШ. 2 ТЕХНОЛ. ШС", "1341"},
    {"ПУСК РО", "1606"},
    {"ОТМЕНА ПУСКА РО", "3606"},
    {"РАБОЧ.СОСТОЯНИЕ", "3203"},
    {"ИСХОДН.СОСТОЯНИЕ", "3203"},
    {"ОШИБ. УПРАВЛЕНИЯ", "1203"},
    {"ОШИБКА КОНТРОЛЯ", "1203"},
    {"ПОВЫШ. УРОВНЯ", "1204"},
    {"ПОНИЖ. УРОВНЯ", "1204"},
    {"НОРМА УРОВНЯ", "3204"},
    {"АВ.ПОВЫШ.УРОВНЯ", "1204"},
    {"АВ.ПОНИЖ.УРОВНЯ", "1204"},
    {"НЕИСПР. ЗУ РИП", "1309"},
    {"ВОССТ. ЗУ РИП", "3309"},
    {"ОТКЛЮЧЕН РИП", "1309"},
    {"ВКЛЮЧЕН РИП", "3309"},
    {"НЕТ СВЯЗИ ДПЛС1", "1382"},
    {"НЕТ СВЯЗИ ДПЛС2", "1382"},
    {"УСТ.СВЯЗЬ ДПЛС1", "3382"},
    {"УСТ.СВЯЗЬ ДПЛС2", "3382"},
    {"НЕИЗВ.УСТРОЙСТВО", "1605"},
    {"ВОССТ. ВЫХОДА", "3382"},
    {"РЕЛЕ ВКЛЮЧЕНО", "1382"},
    {"РЕЛЕ ВКЛ.ПРЕРЫВ.", "1382"},
    {"РЕЛЕ ВЫКЛЮЧЕНО", "1382"},
    {"ОТМЕТКА НАРЯДА", "3605"},
};

namespace {

constexpr const char* kFilterGroup = "Фильтрация сообщений от С2000";
constexpr const char* kLinkGroup = "Контроль связи с Bolid С2000";
constexpr const char* kMaskGroup = "Маска событий для панели Bolid";
constexpr const char* kMaskExtGroup = "Маска событий для панели Bolid (дополнения)";
constexpr const char* kAddressGroup = "Запись адреса устройства Bolid C2000 в номер раздела";
constexpr const char* kMissingRow = "АЛАРМА!!!!!";
constexpr const char* kFlagsUnread = "не удалось прочитать флаги входов (X)";
constexpr const char* kFlagsBad = "флаги входов (X) прочитаны не как две шестнадцатеричные цифры: ";
constexpr int kFirstBuild134 = 85;
constexpr std::size_t kMaskLength = 24;
constexpr std::size_t kMaskExtLength = 16;
constexpr unsigned kLoop3Bits = 0x30;

constexpr int kCellInset = 2;  // a row box sits this far inside its cell

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string IniKey(int Row) { return "cb" + std::to_string(Row); }

}  // namespace

bool InC2000ItSet(int Row)
{
    constexpr int kSet[] = {1, 2, 3, 4, 5, 6, 7, 17, 18, 27, 28, 29, 30, 31, 34, 35, 42, 43, 71, 74, 80, 81};
    return Row <= 87 && std::find(std::begin(kSet), std::end(kSet), Row) != std::end(kSet);
}

std::string MaskEventText(const char* Code, const TMsgFile& Messages)
{
    const std::string code = Code;
    return code + ": " + Messages.TextOf(platform::Copy(code, 2, 3) + platform::Copy(code, 1, 1));
}

std::string EncodeMaskBits(const std::vector<bool>& Bits)
{
    std::string hex;
    for (std::size_t first = 0; first < Bits.size(); first += 8) {
        int byte = 0;
        for (std::size_t bit = 0; bit < 8 && first + bit < Bits.size(); ++bit)
            if (Bits[first + bit]) byte |= 1 << bit;
        char text[4];
        std::snprintf(text, sizeof text, "%02X", byte);
        hex += text;
    }
    return hex;
}

std::optional<std::vector<bool>> DecodeMaskBits(std::string_view Hex)
{
    if (Hex.size() % 2 != 0) return std::nullopt;
    std::vector<bool> bits;
    for (std::size_t i = 0; i < Hex.size(); i += 2) {
        const int high = HexDigit(Hex[i]);
        const int low = HexDigit(Hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        const int byte = high * 16 + low;
        for (int bit = 0; bit < 8; ++bit) bits.push_back((byte >> bit & 1) != 0);
    }
    return bits;
}

std::optional<unsigned> ParseHexValue(const std::string& Value)
{
    const std::string v = platform::Trim(Value);
    if (v.empty() || v.size() > 8) return std::nullopt;
    unsigned number = 0;
    for (const char c : v) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    return number;
}

// ---------------------------------------------------------------------------------------- page

TFormMasks::TFormMasks(ui::TComponent* owner, const TMsgFile* Messages)
    : TformIncl(owner), Messages(ProgramTableOr(Messages))
{
    using namespace ui;
    SetCaption("Сообщения от С2000");
    GroupBox1 = Create<TGroupBox>(this, "GroupBox1", this);
    GroupBox1->SetCaption("Сообщения от С2000");
    const auto radio = [&](const std::string& name, const std::string& caption, const char* hint) {
        auto* r = Create<TRadioButton>(this, name, GroupBox1);
        r->SetCaption(caption);
        r->SetHint(hint);
        r->SetBounds(0, 0, TextWidthEstimate(caption, r->Font()) + 24, 17);
        return r;
    };
    rbAll = radio("rbAll", "Прием всех сообщений", "false");
    rbFiltrit = radio("rbFiltrit", "Прием сообщений по стандарту С2000-ИТ", "true");
    rbUseMask = radio("rbUseMask",
                      "Гибкий прием сообщений (в таблице выставите галочки напротив сообщений, которые должна "
                      "принимать панель Sorvel7QX3)",
                      "false");
    rbFiltrit->SetChecked(true);

    sg = Create<TStringGrid>(this, "sg", GroupBox1);
    sg->SetColCount(4);
    sg->SetFixedCols(1);
    sg->SetFixedRows(1);
    sg->SetDefaultRowHeight(19);
    sg->SetOptions({goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine});
    sg->SetScrollBars(gssVertical);
    sg->SetBounds(0, 0, 25 + 15 + 290 + 340 + 30, 19 * 16);

    cbAdrbld = Create<TCheckBox>(this, "cbAdrbld", GroupBox1);
    cbAdrbld->SetCaption("Записывать в номер раздела адрес прибора");
    cbAdrbld->SetHint("false");
    cbAdrbld->SetBounds(0, 0, TextWidthEstimate(cbAdrbld->Caption(), cbAdrbld->Font()) + 24, 17);
    Label1 = Create<TLabel>(this, "Label1", GroupBox1);
    Label1->SetAutoSize(false);
    Label1->SetWordWrap(true);
    Label1->SetBounds(0, 0, sg->Width(), 3 * TextHeightEstimate(Label1->Font()));
    Label1->SetCaption("* если установлен данный параметр, то при записии события, приходящего от С2000, в "
                       "историю в поле номер раздела будет писаться внутренний адрес прибора в системе Bolid");
    BLDCONCheckBox = Create<TCheckBox>(this, "BLDCONCheckBox", GroupBox1);
    BLDCONCheckBox->SetCaption("Контроль связи с прибором");
    BLDCONCheckBox->SetBounds(0, 0, TextWidthEstimate(BLDCONCheckBox->Caption(), BLDCONCheckBox->Font()) + 24, 17);
    Layout::Stack(*GroupBox1, {rbAll, rbFiltrit, rbUseMask, sg, cbAdrbld, Label1, BLDCONCheckBox});
    Layout::Columns(*this, {{GroupBox1}});

    for (TRadioButton* r : {rbAll, rbFiltrit, rbUseMask}) r->OnClick = [this](TObject* s) { rbUseMaskClick(s); };
    BLDCONCheckBox->OnClick = [this](TObject* s) { BLDCONCheckBoxClick(s); };
    sg->OnDrawCell = [this](TObject* s, int c, int r, const TRect& rect, TGridDrawState state) {
        sgDrawCell(s, c, r, rect, state);
    };
    // The boxes follow a scroll at once, not only at the next painting.
    sg->OnTopLeftChanged = [this](TObject*) { PlaceRowCheckBoxes(); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    FormMasks = this;
}

TFormMasks::~TFormMasks()
{
    RowBoxes.clear();
    if (FormMasks == this) FormMasks = nullptr;
}

void TFormMasks::FormCreate(ui::TObject*)
{
    SetupForDevice(85);
    sg->SetColWidth(0, 25);
}

void TFormMasks::SetupForDevice(int Build)
{
    // The grid of the same rows stays as it is: building its rows of boxes again would hold up each connect.
    if (MaskRows() != (Build >= 85 ? Rows134 : Rows83)) {
        std::vector<bool> ticks;
        for (int row = 1; row <= MaskRows(); ++row) ticks.push_back(RowTicked(row));
        BuildGrid83();
        if (Build >= 85) BuildGrid51();
        for (int row = 1; row <= static_cast<int>(ticks.size()); ++row) SetRowTicked(row, ticks[row - 1]);
    }
    ApplyMode();
}

void TFormMasks::BuildGrid83()
{
    HideRowCheckBoxes();
    sg->SetRowCount(Rows83 + 1);
    sg->SetCell(0, 0, "№");
    sg->SetCell(1, 0, "");
    sg->SetCell(2, 0, "События отображаемые на дисплее С2000");
    sg->SetCell(3, 0, "События в пультовой программе");
    sg->SetColWidth(0, 25);
    sg->SetColWidth(1, 15);
    sg->SetColWidth(2, 290);
    sg->SetColWidth(3, 315);
    AddRows(1, EventTable83, Rows83);
    PlaceRowCheckBoxes();
}

void TFormMasks::BuildGrid51()
{
    sg->SetRowCount(Rows134 + 1);
    sg->SetColWidth(3, 340);
    AddRows(Rows83 + 1, EventTable51, Rows134 - Rows83);
    PlaceRowCheckBoxes();
}

void TFormMasks::AddRows(int First, const TC2000Event* Events, int Count)
{
    for (int i = 0; i < Count; ++i) {
        const int row = First + i;
        sg->SetCell(0, row, std::to_string(row));
        sg->SetCell(2, row, Events[i].Name);
        sg->SetCell(3, row, MaskEventText(Events[i].Code, Messages));
        auto box = ui::MakeUnowned<ui::TCheckBox>("", GroupBox1);
        box->SetColor(clWhite);
        box->SetTag(row);
        sg->SetObject(1, row, box.get());
        RowBoxes.push_back(std::move(box));
    }
}

void TFormMasks::HideRowCheckBoxes()
{
    for (const auto& box : RowBoxes) box->Hide();
    RowBoxes.clear();
    for (int row = 0; row < sg->RowCount(); ++row) sg->SetObject(1, row, nullptr);
}

void TFormMasks::PlaceRowCheckBoxes()
{
    for (int row = 1; row <= MaskRows(); ++row) {
        const ui::TRect cell = sg->CellRect(1, row);
        ui::TCheckBox* box = RowBoxes[row - 1].get();
        // The box stays within the grid's cells: a row scrolled out hides it, a row cut by the grid's
        // edge cuts it.
        const ui::TRect shown = cell.IsEmpty() ? ui::TRect{} : ui::IntersectRect(
            ui::Bounds(cell.Left + kCellInset, cell.Top + kCellInset, cell.Width(), cell.Height()), sg->ClientRect());
        box->SetBoundsRect(shown.Offset(sg->Left(), sg->Top()));
        box->SetVisible(!shown.IsEmpty());
    }
}

void TFormMasks::sgDrawCell(ui::TObject*, int, int, const ui::TRect&, ui::TGridDrawState State)
{
    if (!State.Contains(ui::gdFixed)) PlaceRowCheckBoxes();
}

ui::TCheckBox* TFormMasks::RowCheckBox(int Row) const
{
    return Row >= 1 && Row <= MaskRows() ? RowBoxes[Row - 1].get() : nullptr;
}

bool TFormMasks::RowTicked(int Row) const
{
    const ui::TCheckBox* box = RowCheckBox(Row);
    return box != nullptr && box->Checked();
}

void TFormMasks::SetRowTicked(int Row, bool Ticked)
{
    if (ui::TCheckBox* box = RowCheckBox(Row)) box->SetChecked(Ticked);
}

void TFormMasks::ApplyMode()
{
    const bool flexible = rbUseMask->Checked();
    sg->SetColor(flexible ? clWhite : clBtnFace);
    for (int row = 1; row <= MaskRows(); ++row) {
        ui::TCheckBox* box = RowBoxes[row - 1].get();
        box->SetEnabled(flexible);
        box->SetColor(flexible ? clWhite : clBtnFace);
        if (rbAll->Checked()) box->SetChecked(true);
        if (rbFiltrit->Checked()) box->SetChecked(InC2000ItSet(row));
    }
}

void TFormMasks::rbUseMaskClick(ui::TObject*) { ApplyMode(); }

void TFormMasks::BLDCONCheckBoxClick(ui::TObject*)
{
    if (FormLoops == nullptr) return;
    const bool linkControl = BLDCONCheckBox->Checked();
    for (ui::TCheckBox* box : {FormLoops->cbRecovery3, FormLoops->cbResponce3}) {
        if (linkControl) box->SetChecked(false);
        box->SetEnabled(!linkControl);
    }
}

void TFormMasks::Clear()
{
    const bool linkControl = BLDCONCheckBox->Checked();
    const bool address = cbAdrbld->Checked();
    TformIncl::Clear();
    BLDCONCheckBox->SetChecked(linkControl);
    cbAdrbld->SetChecked(address);
}

void TFormMasks::LoadDefaults()
{
    std::vector<bool> ticks;
    for (int row = 1; row <= MaskRows(); ++row) ticks.push_back(RowTicked(row));
    TformIncl::LoadDefaults();
    ApplyMode();
    // The rows the default mode changed are its; the others show what they showed.
    for (int row = 1; row <= MaskRows(); ++row)
        if (RowTicked(row) != ticks[static_cast<std::size_t>(row - 1)]) DeviceValues.Given(*RowCheckBox(row));
}

void TFormMasks::LoadFromIni(const TMemIniFile& Ini)
{
    TformIncl::LoadFromIni(Ini);
    ApplyMode();
    if (!rbUseMask->Checked()) {
        GiveRowsOfMode();
        return;
    }
    for (int row = 1; row <= MaskRows(); ++row) {
        SetRowTicked(row, Ini.ReadBool(Name(), IniKey(row), false));
        // The file keeps the first 83 rows only: a row it lacks was given nothing.
        if (Ini.ValueExists(Name(), IniKey(row))) DeviceValues.Given(*RowCheckBox(row));
    }
}

// Outside the flexible mode every row follows the mode: a mode given is every row given.
void TFormMasks::GiveRowsOfMode()
{
    const ui::TRadioButton* mode = rbAll->Checked() ? rbAll : rbFiltrit->Checked() ? rbFiltrit : nullptr;
    if (mode == nullptr || DeviceValues.Held({mode})) return;
    for (int row = 1; row <= MaskRows(); ++row) DeviceValues.Given(*RowCheckBox(row));
}

void TFormMasks::SaveToIni(TMemIniFile& Ini)
{
    TformIncl::SaveToIni(Ini);
    for (int row = 1; row <= MaskRows(); ++row) Ini.WriteBool(Name(), IniKey(row), RowTicked(row));
}

// ---------------------------------------------------------------------------------------- device

namespace {

// The mask bits of rows First to Last; a row the grid lacks is logged and sent clear.
std::vector<bool> RowBits(TDeviceController& Controller, const TFormMasks& Page, int First, int Last)
{
    std::vector<bool> bits;
    for (int row = First; row <= Last; ++row) {
        if (Page.RowCheckBox(row) == nullptr) Controller.LogWriting(kMissingRow);
        bits.push_back(Page.RowTicked(row));
    }
    return bits;
}

// Link control on clears the loop-3 bits of the device's input flags first.
void WriteLinkControl(TDeviceController& Controller, bool On)
{
    std::string value;
    TDevice& device = Controller.Device();
    if (!On) {
        if (!WriteBolidLinkControl(device, "FF")) Controller.AddWriteError(kLinkGroup);
    } else if (!ReadInputFlags(device, value)) {
        Controller.AddWriteErrorDetail(kLinkGroup, kFlagsUnread);
    } else if (const auto flags = platform::Trim(value); flags.size() != 2 || !ParseHexValue(flags)) {
        // Nothing is written: a guessed byte would switch the loops' events at random.
        Controller.AddWriteErrorDetail(kLinkGroup, kFlagsBad + std::string("\"") + value + "\"");
    } else {
        char text[16];
        std::snprintf(text, sizeof text, "%02X", *ParseHexValue(flags) & 0xFFu & ~kLoop3Bits);
        if (!WriteInputFlags(device, text) || !WriteBolidLinkControl(device, "00")) Controller.AddWriteError(kLinkGroup);
    }
}

// A mask's rows First to Last, with the mode buttons where the mask carries the mode byte.
TGroupControls MaskGroup(const TFormMasks& Page, bool ModeByte, int First, int Last)
{
    TGroupControls group;
    if (ModeByte) group = {Page.rbUseMask, Page.rbAll};
    for (int row = First; row <= Last; ++row)
        if (const ui::TCheckBox* box = Page.RowCheckBox(row)) group.push_back(box);
    return group;
}

}  // namespace

void TDeviceController::ReadMasks()
{
    if (FormMasks == nullptr) return;
    const TExchange exchange(*this);
    TFormMasks& page = *FormMasks;
    SetupProgress(3);
    std::string value;

    LogReading(kFilterGroup);
    std::optional<unsigned> filter;
    if (ReadC2000ItFilter(Device(), value)) filter = ParseHexValue(value);
    const bool filterRead = ReadDone(*this, kFilterGroup, {page.rbFiltrit}, filter.has_value());
    if (filterRead) page.rbFiltrit->SetChecked(*filter == 0);
    // A link-control flag that could not be read stays as shown: clearing it would switch the
    // feature off at the next write.
    LogReading(kLinkGroup);
    if (ReadDone(*this, kLinkGroup, {page.BLDCONCheckBox}, ReadBolidLinkControl(Device(), value)))
        page.BLDCONCheckBox->SetChecked(value.find("00") != std::string::npos);
    StepProgress();

    // Rows First.. from the value's bits; with the mode byte first where the value carries one.
    const auto readMask = [&](const char* title, bool (*read)(TDevice&, std::string&), std::size_t length,
                              bool modeByte, int first, int last) {
        LogReading(title);
        std::optional<std::vector<bool>> bits;
        if (read(Device(), value) && value.size() == length) bits = DecodeMaskBits(value);
        if (!ReadDone(*this, title, MaskGroup(page, modeByte, first, last), bits.has_value())) return false;
        std::size_t bit = 0;
        if (modeByte) {
            const bool flexible = !std::all_of(bits->begin(), bits->begin() + 8, [](bool b) { return b; });
            page.rbUseMask->SetChecked(flexible);
            bit = 8;
        }
        for (int row = first; row <= last; ++row) page.SetRowTicked(row, (*bits)[bit++]);
        return true;
    };
    const bool maskRead = readMask(kMaskGroup, ReadBolidEventMask, kMaskLength, true, 1,
                                   Build < kFirstBuild134 ? TFormMasks::Rows83 : TFormMasks::MainMaskRows);
    if (Build >= kFirstBuild134)
        readMask(kMaskExtGroup, ReadBolidEventMaskExt, kMaskExtLength, false, TFormMasks::MainMaskRows + 1,
                 TFormMasks::Rows134);
    // "All messages" only where the device said neither of the others: a mode that was not read is not
    // taken for it, and the rows read are not ticked over for it.
    if (filterRead && maskRead && !page.rbFiltrit->Checked() && !page.rbUseMask->Checked()) page.rbAll->SetChecked(true);
    StepProgress();

    if (Major == 5 && Build > 100) {
        LogReading(kAddressGroup);
        std::optional<unsigned> address;
        if (ReadBolidAddressToPartition(Device(), value)) address = ParseHexValue(value);
        if (ReadDone(*this, kAddressGroup, {page.cbAdrbld}, address.has_value())) page.cbAdrbld->SetChecked(*address == 0);
    }
    StepProgress();
    page.sg->SetFocus();
}

void TDeviceController::WriteMasks()
{
    if (FormMasks == nullptr) return;
    const TExchange exchange(*this);
    const TFormMasks& page = *FormMasks;
    SetupProgress(3);

    const auto send = [this](const char* title, const TGroupControls& group, const std::function<bool()>& write) {
        LogWriting(title);
        if (MaySend(*this, title, group) && !write()) AddWriteError(title);
    };
    if (AtLeast(49)) {
        send(kFilterGroup, {page.rbFiltrit}, [&] { return WriteC2000ItFilter(Device(), page.rbFiltrit->Checked() ? "00" : "FF"); });
        StepProgress();

        LogWriting(kLinkGroup);
        if (MaySend(*this, kLinkGroup, {page.BLDCONCheckBox})) WriteLinkControl(*this, page.BLDCONCheckBox->Checked());
        StepProgress();
    }

    const std::string mode = page.rbUseMask->Checked() ? "00" : "FF";
    const auto mask = [&](const char* title, bool (*write)(TDevice&, const std::string&), bool modeByte, int first,
                          int last, const char* tail) {
        send(title, MaskGroup(page, modeByte, first, last), [&] {
            return write(Device(), (modeByte ? mode : "") + EncodeMaskBits(RowBits(*this, page, first, last)) + tail);
        });
    };
    if (Build < kFirstBuild134) {
        mask(kMaskGroup, WriteBolidEventMask, true, 1, TFormMasks::Rows83, "");
        StepProgress();
    } else {
        mask(kMaskGroup, WriteBolidEventMask, true, 1, TFormMasks::MainMaskRows, "");
        mask(kMaskExtGroup, WriteBolidEventMaskExt, false, TFormMasks::MainMaskRows + 1, TFormMasks::Rows134, "0000");
    }

    send(kAddressGroup, {page.cbAdrbld}, [&] { return WriteBolidAddressToPartition(Device(), page.cbAdrbld->Checked() ? "00" : "FF"); });
    StepProgress();
}
