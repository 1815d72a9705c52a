#include "tools/photofilterstool.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <QVector>
#include <algorithm>
#include <cmath>
#include <vector>

#include "adjust/framework/slideredit.h"
#include "adjust/previewbridge.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "platform/programfolder.h"
#include "shell/qtprompt.h"
#include "shell/slidereditpair.h"

using adjust::PhotoFilterParams;

namespace {

constexpr double kPi = 3.14159265358979323846;
// The help page of the photographic filters.
constexpr int kFiltersHelp = 20;
// A drag shorter than this (window pixels) only moves the line; longer ones turn it.
constexpr double kTurnDistance = 4.0;

// Index of each pair's parameter in the filter operation's descriptor.
enum FilterParam { kAngle = 0, kHardness = 1, kOffset = 2, kStrength = 3 };

QColor ToQColor(adjust::FilterColor c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

// ---------------------------------------------------------------- CFilterColorBar

CFilterColorBar::CFilterColorBar(QWidget* parent) : QWidget(parent) {
    setMinimumSize(24, 120);
    setMouseTracking(true);
}

void CFilterColorBar::SetParams(const PhotoFilterParams& params) {
    m_params = params;
    update();
}

void CFilterColorBar::paintEvent(QPaintEvent*) {
    const QRect area = rect().adjusted(2, 2, -2, -2);
    if (area.isEmpty()) return;
    std::vector<uint8_t> pixels(ImagePlane::BytesFor(area.width(), area.height()));
    const ImagePlane plane = ImagePlane::Make(pixels.data(), area.width(), area.height());
    if (!adjust::DrawFilterColorBar(plane, m_params)) return;
    QPainter painter(this);
    painter.drawImage(area.topLeft(), QImage(plane.data, plane.width, plane.height, plane.stride, QImage::Format_BGR888));
}

void CFilterColorBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit colorClicked(event->position().y() < height() / 2.0);
}

void CFilterColorBar::mouseMoveEvent(QMouseEvent* event) {
    // Up and down arrows tell which colour a click would change.
    setCursor(event->position().y() < height() / 2.0 ? Qt::UpArrowCursor : Qt::SizeVerCursor);
}

// ---------------------------------------------------------------- CPhotographicFilters

CPhotographicFilters::Files CPhotographicFilters::ProgramFiles() {
    const std::string presets = std::string("data/") + adjust::kFilterPresetFileName;
    const std::string last = std::string("data/") + adjust::kFilterLastFileName;
    return {platform::DataFileForReading(presets).string(), platform::UserFile(presets).string(),
            platform::DataFileForReading(last).string(), platform::UserFile(last).string()};
}

CPhotographicFilters::CPhotographicFilters(CeditorView* view, Files files)
    : CToolBase(view),
      m_files(std::move(files)),
      m_shared(std::make_shared<CLatestValue<PhotoFilterParams>>()),
      m_mapping(std::make_shared<CLatestValue<adjust::FilterPreviewMapping>>()) {}

CPhotographicFilters::~CPhotographicFilters() {
    CPhotographicFilters::Close();
}

void CPhotographicFilters::Create(QWidget*) {
    CToolPanel* panel = MakePanel(QStringLiteral("Photographis filters"));
    m_params = adjust::LoadFilterLastSettings(m_files.lastRead).Sanitized();
    m_library.Load(m_files.presetsRead, &Prompt());

    auto* layout = new QVBoxLayout(panel);
    auto* top = new QHBoxLayout;
    const std::span<const ops::Param> params = adjust::PhotoFilterOperation().params;
    auto pair = [&](QGridLayout* grid, int column, const QString& label, FilterParam which, Qt::Orientation dir) {
        auto* slider = new QSlider(dir, panel);
        // A pair's slider has its minimum position at the top, as the pair expects.
        slider->setInvertedAppearance(dir == Qt::Vertical);
        slider->setInvertedControls(dir == Qt::Vertical);
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QString::fromUtf8(params[which].name).toLower());
        edit->setMaximumWidth(56);
        if (dir == Qt::Vertical) {
            grid->addWidget(new QLabel(label, panel), 0, column, Qt::AlignHCenter);
            grid->addWidget(slider, 1, column, Qt::AlignHCenter);
            grid->addWidget(edit, 2, column);
        } else {
            grid->addWidget(new QLabel(label, panel), 3, 0);
            grid->addWidget(slider, 3, 1, 1, 2);
            grid->addWidget(edit, 3, 3);
        }
        if (which != kStrength) m_gradControls << slider << edit;
        auto* result = new CQtSliderEdit(slider, edit, panel);
        InitSliderEdit(result->Pair(), result, params[which]);
        // 361 ticks on the angle slider would only draw a solid bar.
        if (dir == Qt::Horizontal) slider->setTickPosition(QSlider::NoTicks);
        return result;
    };
    auto* grid = new QGridLayout;
    m_hardness = pair(grid, 0, QStringLiteral("Hardness"), kHardness, Qt::Vertical);
    m_strength = pair(grid, 1, QStringLiteral("Strength"), kStrength, Qt::Vertical);
    m_offset = pair(grid, 2, QStringLiteral("Offset"), kOffset, Qt::Vertical);
    m_angle = pair(grid, 0, QStringLiteral("Angle"), kAngle, Qt::Horizontal);
    auto* colors = new QVBoxLayout;
    colors->addWidget(new QLabel(QStringLiteral("Colors"), panel));
    m_bar = new CFilterColorBar(panel);
    colors->addWidget(m_bar, 1);
    grid->addLayout(colors, 0, 3, 3, 1);
    top->addLayout(grid);

    auto* presets = new QGroupBox(QStringLiteral("Presets"), panel);
    auto* presetGrid = new QGridLayout(presets);
    m_categories = new QListWidget(presets);
    m_categories->setObjectName(QStringLiteral("categories"));
    m_filters = new QListWidget(presets);
    m_filters->setObjectName(QStringLiteral("filters"));
    auto* newCategory = new QPushButton(QStringLiteral("New"), presets);
    newCategory->setObjectName(QStringLiteral("newCategory"));
    auto* delCategory = new QPushButton(QStringLiteral("Del"), presets);
    delCategory->setObjectName(QStringLiteral("deleteCategory"));
    auto* addFilter = new QPushButton(QStringLiteral("Add"), presets);
    addFilter->setObjectName(QStringLiteral("addFilter"));
    auto* delFilter = new QPushButton(QStringLiteral("Del"), presets);
    delFilter->setObjectName(QStringLiteral("deleteFilter"));
    presetGrid->addWidget(m_categories, 0, 0, 1, 2);
    presetGrid->addWidget(m_filters, 0, 2, 1, 2);
    presetGrid->addWidget(newCategory, 1, 0);
    presetGrid->addWidget(delCategory, 1, 1);
    presetGrid->addWidget(addFilter, 1, 2);
    presetGrid->addWidget(delFilter, 1, 3);
    top->addWidget(presets, 1);
    layout->addLayout(top);

    auto* boxes = new QHBoxLayout;
    m_preview = new QCheckBox(QStringLiteral("Preview"), panel);
    m_grad = new QCheckBox(QStringLiteral("Grad"), panel);
    m_grad->setObjectName(QStringLiteral("grad"));
    m_blackAndWhite = new QCheckBox(QStringLiteral("Black and white"), panel);
    m_blackAndWhite->setObjectName(QStringLiteral("blackAndWhite"));
    boxes->addWidget(m_preview);
    boxes->addWidget(m_grad);
    boxes->addWidget(m_blackAndWhite);
    boxes->addStretch();
    auto* save = new QPushButton(QStringLiteral("Save"), panel);
    save->setObjectName(QStringLiteral("savePresets"));
    boxes->addWidget(save);
    layout->addLayout(boxes);
    auto [ok, cancel] = panel->AddButtons(layout, QStringLiteral("OK"), QStringLiteral("Cancel"), kFiltersHelp);

    QObject::connect(m_angle, &CQtSliderEdit::valueChanged, panel, [this](float v) {
        m_params.angle = v;
        Changed();
    });
    QObject::connect(m_hardness, &CQtSliderEdit::valueChanged, panel, [this](float v) {
        m_params.hardness = v;
        Changed();
    });
    QObject::connect(m_offset, &CQtSliderEdit::valueChanged, panel, [this](float v) {
        m_params.SetShownOffset(v);
        Changed();
    });
    QObject::connect(m_strength, &CQtSliderEdit::valueChanged, panel, [this](float v) {
        m_params.strength = v;
        Changed();
    });
    QObject::connect(m_grad, &QCheckBox::toggled, panel, [this](bool on) {
        m_params.grad = on ? 1 : 0;
        ShowParams();
        Changed();
    });
    QObject::connect(m_blackAndWhite, &QCheckBox::toggled, panel, [this](bool on) {
        m_params.blackAndWhite = on ? 1 : 0;
        Changed();
    });
    QObject::connect(m_preview, &QCheckBox::toggled, panel, [this](bool on) {
        m_view->SetDisplayMode(on ? CeditorView::kDrawPreviewCopy : CeditorView::kDrawDisplayCopy);
    });
    QObject::connect(m_bar, &CFilterColorBar::colorClicked, panel, [this](bool first) { ChooseColor(first); });
    QObject::connect(m_categories, &QListWidget::currentRowChanged, panel, [this] { FillFilters(-1); });
    QObject::connect(m_filters, &QListWidget::currentRowChanged, panel, [this] { PresetChosen(); });

    const adjust::AskTextFn askText = [this](const std::string& title, const std::string& prompt)
            -> std::optional<std::string> {
        bool accepted = false;
        const QString text = QInputDialog::getText(m_panel, QString::fromStdString(title),
                                                   QString::fromStdString(prompt), QLineEdit::Normal, QString(),
                                                   &accepted);
        if (!accepted) return std::nullopt;
        return text.toStdString();
    };
    QObject::connect(newCategory, &QPushButton::clicked, panel, [this, askText] {
        if (const std::optional<size_t> index = m_library.NewCategory(Prompt(), askText))
            FillCategories(static_cast<int>(*index));
    });
    QObject::connect(delCategory, &QPushButton::clicked, panel, [this] {
        if (m_library.DeleteCategory(SelectedCategory(), Prompt())) FillCategories(-1);
    });
    QObject::connect(addFilter, &QPushButton::clicked, panel, [this, askText] {
        if (const std::optional<size_t> index = m_library.AddFilter(SelectedCategory(), m_params, Prompt(), askText))
            FillFilters(static_cast<int>(*index));
    });
    QObject::connect(delFilter, &QPushButton::clicked, panel, [this] {
        if (m_library.DeleteFilter(SelectedCategory(), SelectedFilter(), Prompt())) FillFilters(-1);
    });
    QObject::connect(save, &QPushButton::clicked, panel, [this] { m_library.Save(m_files.presetsWrite, &Prompt()); });
    QObject::connect(ok, &QPushButton::clicked, panel, [this] { Accept(); });
    QObject::connect(cancel, &QPushButton::clicked, panel, [this] { Reject(); });

    m_preview->setChecked(true);
    FillCategories(-1);
    ShowParams();
    MakeBridge();
    panel->ShowBesideView();
}

void CPhotographicFilters::Close() {
    m_bridge.reset();
    CToolBase::Close();
}

void CPhotographicFilters::Accept() {
    if (m_closing) return;
    m_library.OfferSave(m_files.presetsWrite, Prompt());
    // The preview reads the document's picture, which the commit is about to follow.
    m_bridge.reset();
    const PhotoFilterParams used = m_params;
    const std::string lastWrite = m_files.lastWrite;
    Confirm();  // the tool may be gone from here on: only locals below
    adjust::SaveFilterLastSettings(lastWrite, used);
}

void CPhotographicFilters::Reject() {
    if (m_closing) return;
    m_library.OfferSave(m_files.presetsWrite, Prompt());
    Cancel();
}

void CPhotographicFilters::SetParams(const PhotoFilterParams& params) {
    m_params = params.Sanitized();
    ShowParams();
    Changed();
}

void CPhotographicFilters::ShowParams() {
    if (!m_angle) return;
    m_angle->SetValue(m_params.angle);
    m_hardness->SetValue(m_params.hardness);
    m_offset->SetValue(m_params.ShownOffset());
    m_strength->SetValue(m_params.strength);
    {
        const QSignalBlocker gradBlock(m_grad), bwBlock(m_blackAndWhite);
        m_grad->setChecked(m_params.grad != 0);
        m_blackAndWhite->setChecked(m_params.blackAndWhite != 0);
    }
    // Hardness, offset and angle mean something only for a graduated filter.
    for (QWidget* control : m_gradControls) control->setEnabled(m_params.grad != 0);
    m_bar->SetParams(m_params);
}

void CPhotographicFilters::Changed() {
    m_shared->Store(m_params);
    if (m_bar) m_bar->SetParams(m_params);
    if (m_bridge) m_bridge->Post();
    Repaint();
}

void CPhotographicFilters::MakeBridge() {
    m_bridge.reset();
    m_shared->Store(m_params);
    const viewlayout::Layout layout = m_view->CurrentLayout(true);
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    m_mapping->Store({static_cast<float>(layout.srcX), static_cast<float>(layout.srcY),
                      static_cast<float>(layout.zoom), image.width, image.height});
    const auto shared = m_shared;
    const auto mapping = m_mapping;
    const bool enlarged = layout.zoom > 1.0;
    const geometry::CropRect shown{layout.srcX, layout.srcY, layout.srcX + layout.srcWidth,
                                   layout.srcY + layout.srcHeight};
    // The document's picture stays as it is while the tool runs, so the worker may read it.
    m_bridge = std::make_unique<CPreviewBridge>(
        m_view, [shared, mapping, enlarged, shown, image](const ImagePlane& source, const ImagePlane& target,
                                                          const PreviewRun&) {
            const PhotoFilterParams params = shared->Load();
            adjust::FilterPreviewMapping map = mapping->Load();
            if (!enlarged) return adjust::ApplyPhotoFilter(source, target, params, &map);
            // Above 100 % a preview pixel repeats an image pixel, which the routine's
            // mapping (zoom at most 1) cannot say: filter the shown pixels at their own
            // size, then repeat them as the display copy does.
            if (shown.IsEmpty() || shown.right > image.width || shown.bottom > image.height) return false;
            std::vector<uint8_t> in(ImagePlane::BytesFor(shown.Width(), shown.Height()));
            std::vector<uint8_t> out(in.size());
            const ImagePlane part = ImagePlane::Make(in.data(), shown.Width(), shown.Height());
            const ImagePlane done = ImagePlane::Make(out.data(), shown.Width(), shown.Height());
            for (int32_t y = 0; y < part.height; ++y)
                std::copy_n(image.Row(shown.top + y) + shown.left * 3, part.width * 3, part.Row(y));
            map.zoom = 1.0f;
            if (!adjust::ApplyPhotoFilter(part, done, params, &map)) return false;
            viewlayout::StretchNearest(done, 0, 0, done.width, done.height, target);
            return true;
        });
    m_bridge->Post();
}

void CPhotographicFilters::OnViewChanging() {
    m_bridge.reset();
}

void CPhotographicFilters::OnViewChanged() {
    if (!m_closing) MakeBridge();
}

void CPhotographicFilters::ChooseColor(bool first) {
    adjust::FilterColor& target = first ? m_params.color1 : m_params.color2;
    const QColor chosen = QColorDialog::getColor(ToQColor(target), m_panel);
    if (!chosen.isValid()) return;
    target = {static_cast<uint8_t>(chosen.red()), static_cast<uint8_t>(chosen.green()),
              static_cast<uint8_t>(chosen.blue())};
    Changed();
}

void CPhotographicFilters::FillCategories(int select) {
    {
        const QSignalBlocker block(m_categories);
        m_categories->clear();
        for (const std::string& name : m_library.Categories()) m_categories->addItem(QString::fromStdString(name));
        m_categories->setCurrentRow(select);
    }
    FillFilters(-1);
}

void CPhotographicFilters::FillFilters(int select) {
    const QSignalBlocker block(m_filters);
    m_filters->clear();
    const std::optional<size_t> category = SelectedCategory();
    if (!category) return;
    const std::string name = m_library.Categories()[*category];
    for (const std::string& filter : m_library.FilterNames(name)) m_filters->addItem(QString::fromStdString(filter));
    m_filters->setCurrentRow(select);
}

std::optional<size_t> CPhotographicFilters::SelectedCategory() const {
    const int row = m_categories ? m_categories->currentRow() : -1;
    if (row < 0 || static_cast<size_t>(row) >= m_library.Categories().size()) return std::nullopt;
    return static_cast<size_t>(row);
}

std::optional<size_t> CPhotographicFilters::SelectedFilter() const {
    const int row = m_filters ? m_filters->currentRow() : -1;
    if (row < 0) return std::nullopt;
    return static_cast<size_t>(row);
}

void CPhotographicFilters::PresetChosen() {
    const std::optional<size_t> category = SelectedCategory();
    const std::optional<size_t> filter = SelectedFilter();
    if (!category || !filter) return;
    const std::vector<size_t> records = m_library.FilterRecords(m_library.Categories()[*category]);
    if (*filter >= records.size()) return;
    SetParams(m_library.Records()[records[*filter]].params);
}

// ---------------------------------------------------------------- the line on the picture

std::pair<QPointF, QPointF> CPhotographicFilters::TransitionLine(float t) const {
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    const double w = image.width, h = image.height;
    const double a = m_params.angle * kPi / 180.0;
    // Points (X, Y) about the centre with X sin a + Y cos a = the shift + (t - 0.5) H.
    const double c = 1.2 * std::max(w, h) * (m_params.offset - 0.5) + (t - 0.5) * h;
    const QPointF foot(w / 2 + c * std::sin(a), h / 2 + c * std::cos(a));
    const QPointF along(std::cos(a), -std::sin(a));
    const double reach = std::hypot(w, h);
    return {foot - along * reach, foot + along * reach};
}

void CPhotographicFilters::LineThrough(double x, double y) {
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    const double a = m_params.angle * kPi / 180.0;
    const double along = (x - image.width / 2.0) * std::sin(a) + (y - image.height / 2.0) * std::cos(a);
    const double span = 1.2 * std::max(image.width, image.height);
    m_params.offset = static_cast<float>(std::clamp(0.5 + along / span, 0.0, 1.0));
}

bool CPhotographicFilters::OnLButtonDown(unsigned, int x, int y) {
    if (!m_params.grad) return true;
    m_anchor = ToImage(x, y);
    m_dragging = true;
    LineThrough(m_anchor.x(), m_anchor.y());
    ShowParams();
    Changed();
    return true;
}

bool CPhotographicFilters::OnMouseMove(unsigned, int x, int y) {
    OnSetCursor();
    if (!m_dragging) return true;
    const QPointF p = ToImage(x, y);
    const QPointF v = p - m_anchor;
    if (std::hypot(v.x(), v.y()) * Zoom() < kTurnDistance) return true;
    // The line runs from the press toward the pointer; colour 1 lies on its left.
    m_params.angle = static_cast<float>(std::atan2(-v.y(), v.x()) * 180.0 / kPi);
    LineThrough(m_anchor.x(), m_anchor.y());
    ShowParams();
    Changed();
    m_view->viewport()->repaint();
    return true;
}

bool CPhotographicFilters::OnLButtonUp(unsigned, int, int) {
    m_dragging = false;
    return true;
}

bool CPhotographicFilters::OnSetCursor() {
    if (m_view->SpaceHeld()) return false;
    m_view->viewport()->setCursor(m_params.grad ? Qt::CrossCursor : Qt::ArrowCursor);
    return true;
}

void CPhotographicFilters::DrawOverlay(QPainter& painter) {
    if (!m_params.grad) return;
    const auto [a, b] = TransitionLine(0.5f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(ToWindow(a.x(), a.y()), ToWindow(b.x(), b.y()));
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawLine(ToWindow(a.x(), a.y()), ToWindow(b.x(), b.y()));
    // The ends of the soft part of the transition.
    const float width = 1.0f - m_params.hardness;
    if (width <= 0.0f) return;
    painter.setPen(QPen(QColor(255, 255, 255, 160), 1, Qt::DotLine));
    for (const float t : {0.5f - width / 2, 0.5f + width / 2}) {
        const auto [p, q] = TransitionLine(t);
        painter.drawLine(ToWindow(p.x(), p.y()), ToWindow(q.x(), q.y()));
    }
}

bool CPhotographicFilters::RenderResult(const ImagePlane& destination) {
    return adjust::ApplyPhotoFilter(m_view->GetDocument()->CurrentImage(), destination, m_params);
}

void CPhotographicFilters::GetResultSize(ImagePlane& size) {
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    size.width = image.width;
    size.height = image.height;
    size.channels = 3;
    size.stride = ImagePlane::StrideFor(size.width);
}
