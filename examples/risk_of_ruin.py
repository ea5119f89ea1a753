"""The risk of ruin of three betting systems on European roulette: bankroll 100, target 200, round by round."""

import os
import sys

import matplotlib

if not os.environ.get("DISPLAY"):
    matplotlib.use("Agg")  # no screen: draw into the file only
import matplotlib.pyplot as plt

import wagerlens

games = {g.name: g for g in wagerlens.shipped_games()}
systems = {s.name: s for s in wagerlens.shipped_systems()}
roulette = games["European roulette - red/black"]
chosen = ["Flat bet, 1 unit", "Martingale, 3 doublings", "Martingale, 10 doublings"]

ruin = wagerlens.chart(wagerlens.Kind.RISK_OF_RUIN, [(roulette, systems[name]) for name in chosen],
                       param0=100, param1=200)

fig, ax = plt.subplots(figsize=(8, 5))
for series in ruin.series:
    ax.plot(series.x, series.y, label=series.caption)
ax.set(title=f"{ruin.name}: bankroll 100, target 200", xlabel=ruin.x_title, ylabel=ruin.y_title)
ax.grid(alpha=0.3)
ax.legend(loc="upper left")
out = sys.argv[1] if len(sys.argv) > 1 else "risk-of-ruin.png"
fig.savefig(out, dpi=100)
for series in ruin.series:
    print(f"{series.caption}: {series.y[-1]:.2f} % ruined by round {series.x[-1]}")
