// The wait window's 33 x 33 looping search animation: a magnifying glass circling over a page,
// eight frames repeated without end while running. Drawn with QPainter; UI thread only.
#pragma once

#include <QTimer>
#include <QWidget>

namespace corvane {

class SearchAnimation : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFrames = 8;
    static constexpr int kFrameMs = 100;

    explicit SearchAnimation(QWidget* parent = nullptr);

    void Start();  // from the first frame
    void Stop();
    bool IsRunning() const { return timer_.isActive(); }
    int Frame() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer timer_;
    int frame_ = 0;
};

}  // namespace corvane
