"""House edge and standard deviation of every shipped game, as a pandas table."""

import pandas as pd

import wagerlens

table = pd.DataFrame(
    [{"game": g.name, "house edge, %": -100 * g.expected_result, "standard deviation": g.std_deviation,
      "win, %": 100 * g.win_probability} for g in wagerlens.shipped_games()]
).set_index("game").sort_values("house edge, %")
pd.set_option("display.width", None)
pd.set_option("display.max_columns", None)
print(table.round(4) + 0.0)  # + 0.0: no "-0.0" for the fair games
